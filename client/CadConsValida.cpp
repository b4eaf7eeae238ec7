#include "Cli_Kvt04410.h"

// The named checks and the confirmation, as the screen's handlers: the rules are CadConsRegras'
// and the web postal-code fill CadConsViaCep's.

void TfrmCadCons::Vd_DtNasc(bool boTestaVazio)
{
    m_regras.Vd_DtNasc(boTestaVazio);
}

void TfrmCadCons::Vd_Cpf()
{
    m_regras.Vd_Cpf();
}

bool TfrmCadCons::Vd_Telefones(const QString &telefone, bool boTestaVazio, int idTelefone)
{
    return m_regras.Vd_Telefones(telefone, boTestaVazio, idTelefone);
}

bool TfrmCadCons::vd_Identidade(bool boTestaVazio)
{
    return m_regras.vd_Identidade(boTestaVazio);
}

bool TfrmCadCons::Vd_Cep()
{
    return m_regras.Vd_Cep();
}

void TfrmCadCons::sbtConfirmarClick()
{
    if (m_regras.confirma())
        accept();
}

void TfrmCadCons::confirmar()
{
    sbtConfirmarClick();
}

void TfrmCadCons::preencheEndViaCep()
{
    m_viaCep.preencheEndViaCep();
    m_dica.avisa(m_viaCep.aviso());
    // A neighbourhood the answer resolved is the current row of its look-up.
    const kvt::MemTable &bairro = m_viaCep.cdsBairroViaCep;
    if (bairro.active() && bairro.hasCurrent() &&
        bairro.asString(QStringLiteral("CDBAIRRO")) == texto(cadcons::Bairro))
        anotaEntrega(bairro);
}
