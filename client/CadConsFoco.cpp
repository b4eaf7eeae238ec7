#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Colors.h"
#include "toolkit/Exceptions.h"
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
    pintaBorda(borda(inLblAtiv), Qt::black);
}

namespace {

const QString kUnidade = QStringLiteral("Cli_Kvt04410");

// Loads a service packet; a call that failed with an error text reports that text instead of a
// complaint about the packet.
void carrega(kvt::MemTable &tabela, const QVariant &resultado, const QString &funcao)
{
    if (resultado.typeId() == QMetaType::QString)
        throw kvt::Exception(resultado.toString());
    tabela.loadFromPacket(resultado.toByteArray(), funcao);
}

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

bool TfrmCadCons::buscaCep()
{
    if (!Vd_Cep() && stIdValidaAten == QLatin1String("C")) {
        mensagem("CEPINV", 3);
        return false;
    }
    const QString cep = bldCep->caption();
    QVariant resultado;
    getInfCEP(cep, resultado);
    carrega(
        cdsInfCep,
        MensagemMetodo(resultado, true, 0, QStringLiteral("getInfCEP"), kUnidade, cep, stIdEsquema),
        QStringLiteral("getInfCEP"));
    // Without a row of our own the web look-up would fill the address; it is not built yet.
    if (cdsInfCep.isEmpty())
        return true;
    cdsInfCep.first();
    const struct
    {
        const char *coluna;
        kvt::TouchButton *TfrmCadCons::*campo;
    } copia[] = {
        {"CDPAIS", &TfrmCadCons::edtCodPais},     {"NMPAIS", &TfrmCadCons::bldNmPais},
        {"SGESTADO", &TfrmCadCons::edtEstado},    {"CDMUNICIPIO", &TfrmCadCons::edtCodMuni},
        {"NMMUNICIPIO", &TfrmCadCons::bldNmMuni}, {"CDBAIRRO", &TfrmCadCons::edtBairro},
        {"NMBAIRRO", &TfrmCadCons::bldNmBairro},  {"DSLOGCEP", &TfrmCadCons::edtEndereco},
    };
    for (const auto &c : copia)
        (this->*c.campo)->setCaption(cdsInfCep.asString(QString::fromLatin1(c.coluna)));
    return true;
}

bool TfrmCadCons::buscaPais()
{
    QVariant resultado;
    getPais(Ajusta(edtCodPais->caption(), 4), QString(), resultado);
    // No result check here: a failed call ends the key as an error.
    carrega(cdsPais, resultado, QStringLiteral("getPais"));
    if (cdsPais.isEmpty()) {
        mensagem("PAIS_NCAD", 3);
        return false;
    }
    cdsPais.first();
    edtCodPais->setCaption(cdsPais.asString(QStringLiteral("CDPAIS")));
    bldNmPais->setCaption(cdsPais.asString(QStringLiteral("NMPAIS")));
    return true;
}

bool TfrmCadCons::buscaEstado()
{
    const QString estado = edtEstado->caption();
    const QString pais = edtCodPais->caption();
    QVariant resultado;
    getEstado(kvt::text::asciiUpper(estado), pais, QString(), resultado);
    carrega(cdsEstado,
            MensagemMetodo(resultado, true, 0, QStringLiteral("getEstado"), kUnidade,
                           estado + QLatin1Char('-') + pais + QLatin1Char('-'), stIdEsquema),
            QStringLiteral("getEstado"));
    if (cdsEstado.isEmpty()) {
        mensagem("ESTADO_NCAD2", 3);
        return false;
    }
    cdsEstado.first();
    edtEstado->setCaption(cdsEstado.asString(QStringLiteral("SGESTADO")));
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
    carrega(cdsMunicipio,
            MensagemMetodo(resultado, true, 0, QStringLiteral("getMunicipio "), kUnidade,
                           argumentos, stIdEsquema),
            QStringLiteral("getMunicipio"));
    if (cdsMunicipio.isEmpty()) {
        mensagem("MUNI_NCAD2", 3);
        return false;
    }
    cdsMunicipio.first();
    edtCodMuni->setCaption(cdsMunicipio.asString(QStringLiteral("CDMUNICIPIO")));
    bldNmMuni->setCaption(cdsMunicipio.asString(QStringLiteral("NMMUNICIPIO")));
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
            MensagemMetodo(resultado, true, 0, QStringLiteral("getBairro"), kUnidade,
                           bairro + QLatin1Char('-') + municipio + QLatin1Char('-') + estado +
                               QLatin1Char('-') + pais + QLatin1Char('-'),
                           stIdEsquema),
            QStringLiteral("getBairro"));
    if (cdsBairro.isEmpty()) {
        mensagem("BAIRRO_NCAD2", 3);
        return false;
    }
    cdsBairro.first();
    edtBairro->setCaption(cdsBairro.asString(QStringLiteral("CDBAIRRO")));
    bldNmBairro->setCaption(cdsBairro.asString(QStringLiteral("NMBAIRRO")));
    return true;
}
