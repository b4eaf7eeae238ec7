#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Colors.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TextRules.h"
#include "toolkit/TouchButton.h"

namespace {

// Field 8's border is a button, every other one a shape.
void pintaBorda(QWidget *borda, const QColor &cor)
{
    if (auto *shape = qobject_cast<kvt::RoundShape *>(borda))
        shape->setBrushColor(cor);
    else if (auto *botao = qobject_cast<kvt::TouchButton *>(borda))
        botao->setFaceColor(cor);
}

} // namespace

void TfrmCadCons::VoltaCor()
{
    const QColor cor = kvt::tcolor(cadcons::kCorBorda);
    for (int numero = 1; numero <= kNumCampos; ++numero)
        pintaBorda(borda(numero), cor);
}

void TfrmCadCons::mudaCor()
{
    VoltaCor();
    pintaBorda(borda(m_edicao.inLblAtiv), Qt::black);
}

namespace {

using cadcons::carrega;
const QString kUnidade = QStringLiteral("Cli_Kvt04410");

} // namespace

bool TfrmCadCons::verifica(CadConsEdicao::Verificacao verificacao, bool avanca)
{
    using V = CadConsEdicao::Verificacao;
    switch (verificacao) {
    case V::Cep:
        return buscaCep();
    case V::DtNasc:
        Vd_DtNasc(false);
        return true;
    case V::Identidade:
        vd_Identidade(false);
        return true;
    case V::Telefone:
        return Vd_Telefones(bldTelefone->caption(), false, 1);
    case V::Telefone2:
        return Vd_Telefones(edtTelefone2->caption(), false, 0);
    case V::Celular:
        return Vd_Telefones(edtCelular->caption(), false, 0);
    case V::Pais:
        return buscaPais();
    case V::Estado:
        return buscaEstado();
    case V::Municipio:
        return buscaMunicipio(avanca);
    case V::Bairro:
        return buscaBairro();
    }
    return true;
}

bool TfrmCadCons::achou(kvt::MemTable &tabela, const char *naoEncontrado)
{
    if (tabela.isEmpty()) {
        mensagem(naoEncontrado, 3);
        return false;
    }
    tabela.first();
    return true;
}

QVariant TfrmCadCons::confere(const QVariant &resultado, const QString &metodo,
                              const QString &argumentos) const
{
    return MensagemMetodo(resultado, true, 0, metodo, kUnidade, argumentos, estado().stIdEsquema);
}

bool TfrmCadCons::buscaCep()
{
    if (!Vd_Cep() && estado().stIdValidaAten == QLatin1String("C")) {
        mensagem("CEPINV", 3);
        return false;
    }
    const QString cep = bldCep->caption();
    QVariant resultado;
    getInfCEP(cep, resultado);
    carrega(cdsInfCep, confere(resultado, QStringLiteral("getInfCEP"), cep),
            QStringLiteral("getInfCEP"));
    if (cdsInfCep.isEmpty()) {
        preencheEndViaCep();
        return true;
    }
    cdsInfCep.first();
    cadcons::copiaColunas(*this, cdsInfCep,
                          {{"CDPAIS", cadcons::CodPais},
                           {"NMPAIS", cadcons::NmPais},
                           {"SGESTADO", cadcons::Estado},
                           {"CDMUNICIPIO", cadcons::CodMuni},
                           {"NMMUNICIPIO", cadcons::NmMuni},
                           {"CDBAIRRO", cadcons::Bairro},
                           {"NMBAIRRO", cadcons::NmBairro},
                           {"DSLOGCEP", cadcons::Endereco}});
    anotaEntrega(cdsInfCep);
    return true;
}

bool TfrmCadCons::buscaPais()
{
    QVariant resultado;
    getPais(Ajusta(edtCodPais->caption(), 4), QString(), resultado);
    // No result check here: a failed call ends the key as an error.
    carrega(cdsPais, resultado, QStringLiteral("getPais"));
    if (!achou(cdsPais, "PAIS_NCAD"))
        return false;
    cadcons::copiaColunas(*this, cdsPais,
                          {{"CDPAIS", cadcons::CodPais}, {"NMPAIS", cadcons::NmPais}});
    return true;
}

bool TfrmCadCons::buscaEstado()
{
    const QString estado = edtEstado->caption();
    const QString pais = edtCodPais->caption();
    QVariant resultado;
    getEstado(kvt::text::asciiUpper(estado), pais, QString(), resultado);
    carrega(cdsEstado,
            confere(resultado, QStringLiteral("getEstado"),
                    estado + QLatin1Char('-') + pais + QLatin1Char('-')),
            QStringLiteral("getEstado"));
    if (!achou(cdsEstado, "ESTADO_NCAD2"))
        return false;
    cadcons::copiaColunas(*this, cdsEstado, {{"SGESTADO", cadcons::Estado}});
    return true;
}

bool TfrmCadCons::buscaMunicipio(bool avanca)
{
    const QString municipio = Ajusta(edtCodMuni->caption(), 4);
    const QString estado = kvt::text::asciiUpper(edtEstado->caption());
    const QString pais = edtCodPais->caption();
    const QString argumentos =
        avanca ? QLatin1Char('-') + estado + QLatin1Char('-') + pais + QLatin1Char('-') +
                     QLatin1Char('T')
               : municipio + QLatin1Char('-') + estado + QLatin1Char('-') + pais + QLatin1Char('-');
    QVariant resultado;
    getMunicipio(municipio, estado, pais, QString(), resultado);
    carrega(cdsMunicipio, confere(resultado, QStringLiteral("getMunicipio "), argumentos),
            QStringLiteral("getMunicipio"));
    if (!achou(cdsMunicipio, "MUNI_NCAD2"))
        return false;
    cadcons::copiaColunas(*this, cdsMunicipio,
                          {{"CDMUNICIPIO", cadcons::CodMuni}, {"NMMUNICIPIO", cadcons::NmMuni}});
    return true;
}

bool TfrmCadCons::buscaBairro()
{
    const QString bairro = Ajusta(edtBairro->caption(), 10);
    const QString municipio = edtCodMuni->caption();
    const QString estado = edtEstado->caption();
    const QString pais = edtCodPais->caption();
    QVariant resultado;
    getBairro(bairro, municipio, estado, pais, QString(), resultado);
    carrega(cdsBairro,
            confere(resultado, QStringLiteral("getBairro"),
                    bairro + QLatin1Char('-') + municipio + QLatin1Char('-') + estado +
                        QLatin1Char('-') + pais + QLatin1Char('-')),
            QStringLiteral("getBairro"));
    if (!achou(cdsBairro, "BAIRRO_NCAD2"))
        return false;
    cadcons::copiaColunas(*this, cdsBairro,
                          {{"CDBAIRRO", cadcons::Bairro}, {"NMBAIRRO", cadcons::NmBairro}});
    anotaEntrega(cdsBairro);
    return true;
}
