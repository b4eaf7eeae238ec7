#include "Cli_Kvt04410.h"
#include "host/ScreenServices.h"

// The pickers and the consumer search as the screen's handlers: the look-ups are CadConsBuscas',
// the list dialog the host's.

void TfrmCadCons::BuscaTipoVenda()
{
    m_buscas.criaTiposVenda();
}

bool TfrmCadCons::escolheNaLista(kvt::DataSet &tabela, const QString &pais, bool cores)
{
    const CadConsEstado &e = estado();
    return Pesquisa && Pesquisa(tabela, 0, pais, cores ? e.incor1 : 0, cores ? e.incor2 : 0,
                                cores ? e.incor3 : 0, cores ? e.incor5 : 0, 0);
}

void TfrmCadCons::dfxPesqPaisClick()
{
    m_buscas.escolhePais();
}

void TfrmCadCons::dxfPesqEstadoClick()
{
    m_buscas.escolheEstado();
}

void TfrmCadCons::dxfMunicipioClick()
{
    m_buscas.escolheMunicipio();
}

void TfrmCadCons::dxfBairroClick()
{
    m_buscas.escolheBairro();
}

void TfrmCadCons::dxfTipoVendaClick()
{
    m_buscas.escolheTipoVenda();
}

void TfrmCadCons::sbtPesqConsClick()
{
    m_buscas.escolheConsumidor();
}

void TfrmCadCons::pesquisaConsumidor()
{
    sbtPesqConsClick();
}

void TfrmCadCons::abreLista(int campo)
{
    m_buscas.abreLista(campo);
}
