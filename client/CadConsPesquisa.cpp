#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "host/ScreenServices.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/TouchButton.h"

namespace {

void limpaFiltro(kvt::DataSet &tabela)
{
    tabela.setFiltered(false);
    tabela.setFilter({});
}

} // namespace

void TfrmCadCons::BuscaTipoVenda()
{
    cdsTipoVenda.close();
    cdsTipoVenda.createDataSet();
    // Appended, not inserted before the current row, so the list dialog offers them in code order.
    for (const TipoVenda &tipo : arTipoVenda) {
        cdsTipoVenda.append();
        cdsTipoVenda.setFieldValue(QStringLiteral("CDTIPOVENDA"),
                                   QString::fromLatin1(tipo.cdTipoVenda));
        cdsTipoVenda.setFieldValue(QStringLiteral("NMTIPOVENDA"),
                                   QString::fromUtf8(tipo.nmTipoVenda));
        cdsTipoVenda.post();
    }
}

void TfrmCadCons::mostraTipoVenda()
{
    // The consumer's own sale type is kept for the save, where no pick replaces it.
    estado().stTipoVendaConsumidor =
        estado().adqPesqConsumidor->asString(QStringLiteral("IDTPVENDACONS"));
    if (cdsTipoVenda.locate({QStringLiteral("CDTIPOVENDA")}, {estado().stTipoVendaConsumidor}))
        edtTipoVenda->setCaption(cdsTipoVenda.asString(QStringLiteral("NMTIPOVENDA")));
}

bool TfrmCadCons::escolhe(kvt::MemTable &tabela, const QVariant &resultado, const QString &metodo,
                          const QString &argumentos, const char *listaVazia, const QString &pais)
{
    cadcons::carrega(tabela, confere(resultado, metodo, argumentos), metodo.trimmed());
    limpaFiltro(tabela);
    if (tabela.isEmpty()) {
        mensagem(listaVazia, 3);
        return false;
    }
    return Pesquisa && Pesquisa(tabela, 0, pais, estado().incor1, estado().incor2, estado().incor3,
                                estado().incor5, 0);
}

void TfrmCadCons::dfxPesqPaisClick()
{
    // This picker reports its own errors and leaves the screen as it was.
    try {
        QVariant resultado;
        getPais(QString(), QStringLiteral("T"), resultado);
        if (escolhe(cdsPais, resultado, QStringLiteral("getPais"), QStringLiteral("T"), "PAIS_NCAD",
                    QStringLiteral("S")))
            cadcons::copiaColunas(*this, cdsPais,
                                  {{"CDPAIS", cadcons::CodPais}, {"NMPAIS", cadcons::NmPais}});
    } catch (const kvt::EAbort &) {
        throw;
    } catch (const kvt::Exception &e) {
        Mensagem(e.message(), QString(), QStringLiteral("N"), QStringLiteral("N"), 3);
    } catch (const std::exception &e) {
        Mensagem(QString::fromUtf8(e.what()), QString(), QStringLiteral("N"), QStringLiteral("N"),
                 3);
    }
}

void TfrmCadCons::dxfPesqEstadoClick()
{
    const QString pais = edtCodPais->caption();
    QVariant resultado;
    getEstado(QString(), pais, QStringLiteral("T"), resultado);
    if (escolhe(cdsEstado, resultado, QStringLiteral("getEstado"),
                QLatin1Char('-') + pais + QStringLiteral("-T"), "ESTADO_NCAD", QStringLiteral("N")))
        cadcons::copiaColunas(*this, cdsEstado, {{"SGESTADO", cadcons::Estado}});
}

void TfrmCadCons::dxfMunicipioClick()
{
    const QString estado = edtEstado->caption();
    const QString pais = edtCodPais->caption();
    QVariant resultado;
    getMunicipio(QString(), estado, pais, QStringLiteral("T"), resultado);
    if (escolhe(cdsMunicipio, resultado, QStringLiteral("getMunicipio "),
                QLatin1Char('-') + estado + QLatin1Char('-') + pais + QStringLiteral("-T"),
                "MUNICIPIO_NCAD", QStringLiteral("N")))
        cadcons::copiaColunas(
            *this, cdsMunicipio,
            {{"CDMUNICIPIO", cadcons::CodMuni}, {"NMMUNICIPIO", cadcons::NmMuni}});
}

void TfrmCadCons::dxfBairroClick()
{
    const QString municipio = edtCodMuni->caption();
    const QString estado = edtEstado->caption();
    const QString pais = edtCodPais->caption();
    QVariant resultado;
    getBairro(QString(), municipio, estado, pais, QStringLiteral("T"), resultado);
    if (escolhe(cdsBairro, resultado, QStringLiteral("getBairro"),
                QLatin1Char('-') + municipio + QLatin1Char('-') + estado + QLatin1Char('-') + pais +
                    QStringLiteral("-T"),
                "BAIRRO_NCAD", QStringLiteral("N"))) {
        cadcons::copiaColunas(*this, cdsBairro,
                              {{"CDBAIRRO", cadcons::Bairro}, {"NMBAIRRO", cadcons::NmBairro}});
        anotaEntrega(cdsBairro);
    }
}

void TfrmCadCons::dxfTipoVendaClick()
{
    limpaFiltro(cdsTipoVenda);
    if (!Pesquisa || !Pesquisa(cdsTipoVenda, 0, QStringLiteral("N"), 0, 0, 0, 0, 0))
        return;
    edtTipoVenda->setCaption(cdsTipoVenda.asString(QStringLiteral("NMTIPOVENDA")));
    estado().stCdTipoVenda = cdsTipoVenda.asString(QStringLiteral("CDTIPOVENDA"));
}

void TfrmCadCons::sbtPesqConsClick()
{
    if (!estado().adqPesqConsumidor)
        return;
    // Every consumer of the list is offered, whatever an edit or a phone check filtered.
    limpaFiltro(*estado().adqPesqConsumidor);
    if (!Pesquisa || !Pesquisa(*estado().adqPesqConsumidor, 0, QStringLiteral("N"), estado().incor1,
                               estado().incor2, estado().incor3, estado().incor5, 0))
        return;
    estado().stConsumidor = estado().adqPesqConsumidor->asString(QStringLiteral("CDCONSUMIDOR"));
    estado().stCdClienteConsumidor =
        estado().adqPesqConsumidor->asString(QStringLiteral("CDCLIENTE"));
    cadcons::copiaColunas(*this, *estado().adqPesqConsumidor, cadcons::colunasConsumidor());
    // The list reads the neighbourhood's fee and time with the consumer.
    anotaEntrega(*estado().adqPesqConsumidor);
    mostraTipoVenda();
}

void TfrmCadCons::pesquisaConsumidor()
{
    sbtPesqConsClick();
}

void TfrmCadCons::abreLista(int campo)
{
    switch (campo) {
    case cadcons::TipoVenda:
        dxfTipoVendaClick();
        break;
    case cadcons::CodPais:
        dfxPesqPaisClick();
        break;
    case cadcons::Estado:
        dxfPesqEstadoClick();
        break;
    case cadcons::CodMuni:
        dxfMunicipioClick();
        break;
    case cadcons::Bairro:
        dxfBairroClick();
        break;
    default:
        break;
    }
}
