#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ShortDate.h"
#include "toolkit/TouchButton.h"

#include <QDateTime>

namespace {

const QString kUnidade = QStringLiteral("Cli_Kvt04410");

} // namespace

void TfrmCadCons::rejeita(const char *chave, int tipo, kvt::TouchButton *limpar, int numero,
                          const QString &nome)
{
    mensagem(chave, tipo, nome);
    if (limpar)
        limpar->setCaption(QString());
    if (numero > 0)
        inLblAtiv = numero;
    mudaCor();
    kvt::Abort();
}

void TfrmCadCons::Vd_DtNasc(bool boTestaVazio)
{
    Q_UNUSED(boTestaVazio)
    const QString texto = edtDtNasc->caption();
    if (EmptyString(texto))
        return;
    const QDate data = kvt::parseShortDate(texto);
    // Yesterday passes and today fails: the date counts as midnight.
    if (!data.isValid() || !(data.startOfDay() < QDateTime::currentDateTime().addDays(-1)))
        rejeita("DATA_INV", 3, edtDtNasc, 3);
    if (data < QDate(1900, 1, 1))
        rejeita("DATA_MENOR", 3, edtDtNasc, 3);
}

void TfrmCadCons::Vd_Cpf()
{
    const QString cpf = edtCpf->caption();
    if (EmptyString(cpf))
        return;
    // CPFOk also refuses other lengths and the same-digit sequences.
    if (!CPFOk(cpf))
        rejeita("CPF_NCAD", 3, edtCpf, 4);

    QVariant resultado;
    getExisteConsumidor(stCdCliente, cpf, stConsumidor, resultado);
    const QVariant pacote = MensagemMetodo(
        resultado, true, 0, QStringLiteral("getExisteConsumidor"), kUnidade,
        stCdCliente + QLatin1Char('-') + cpf + QLatin1Char('-') + stConsumidor, stIdEsquema);
    cdsConsumidor.loadFromPacket(pacote.toByteArray(), QStringLiteral("getExisteConsumidor"));
    if (!cdsConsumidor.isEmpty()) {
        cdsConsumidor.first();
        rejeita("CPF_CAD", 0, edtCpf, 4, cdsConsumidor.asString(QStringLiteral("NMCONSUMIDOR")));
    }
}

bool TfrmCadCons::Vd_Telefones(const QString &telefone, bool boTestaVazio, int idTelefone)
{
    const bool vazio = EmptyString(telefone);
    m_edicao.mascaraTelefones();

    if (idTelefone == 1 && boTestaVazio && vazio) {
        mensagem("TELEFONEINF", 3);
        return false;
    }
    if (vazio || !adqPesqConsumidor)
        return true;

    // The save stores digits only and older programs stored the mask: look for both.
    const QString colunas[] = {QStringLiteral("NRTELECONS"), QStringLiteral("NRTELE2CONS"),
                               QStringLiteral("NRCELULARCONS")};
    QStringList formas{telefone};
    const QString digitos = SoNumerosStr(telefone);
    if (!digitos.isEmpty())
        formas << digitos << Mascara(digitos, mascaraTelefone());
    formas.removeDuplicates();
    kvt::RowFilter filtro;
    filtro.join = kvt::RowFilter::Join::Or;
    for (const QString &coluna : colunas) {
        for (const QString &forma : std::as_const(formas))
            filtro.add(coluna, forma);
    }
    // The filter stays on the list after the check.
    adqPesqConsumidor->setFiltered(false);
    adqPesqConsumidor->setFilter(filtro);
    adqPesqConsumidor->setFiltered(true);

    // Any consumer but the one being edited is a duplicate, not only the first one found.
    for (adqPesqConsumidor->first(); !adqPesqConsumidor->eof(); adqPesqConsumidor->next()) {
        const bool esteConsumidor =
            adqPesqConsumidor->asString(QStringLiteral("CDCLIENTE")) == stCdCliente &&
            adqPesqConsumidor->asString(QStringLiteral("CDCONSUMIDOR")) == stConsumidor;
        if (!esteConsumidor) {
            rejeita("TELEFONE_CAD", 0, nullptr, 0,
                    adqPesqConsumidor->asString(QStringLiteral("NMCONSUMIDOR")));
        }
    }
    return true;
}

bool TfrmCadCons::vd_Identidade(bool boTestaVazio)
{
    const QString identidade = bldIdentidade->caption();
    if (boTestaVazio && EmptyString(identidade)) {
        mensagem("RGINF", 2);
        return false;
    }
    if (identidade.isEmpty() || !adqPesqConsumidor)
        return true;

    // Past whatever filter the list holds: in edit mode, or after a phone check, the filter
    // hides the very consumers this check is about.
    const QList<QVariantList> encontrados = adqPesqConsumidor->lookupRows(
        {QStringLiteral("CDCLIENTE"), QStringLiteral("NRRGCONSUMID")}, {stCdCliente, identidade},
        {QStringLiteral("CDCONSUMIDOR"), QStringLiteral("NMCONSUMIDOR")}, 2);
    for (const QVariantList &linha : encontrados) {
        if (linha.at(0).toString() != stConsumidor)
            rejeita("RG_CAD", 2, bldIdentidade, 5, linha.at(1).toString());
    }
    return true;
}

bool TfrmCadCons::Vd_Cep()
{
    const QString cep = bldCep->caption();
    QVariant resultado;
    getFilialCep(cep, resultado);
    return MensagemMetodo(resultado, true, 0, QStringLiteral("getCepFilial"), kUnidade, cep,
                          stIdEsquema)
        .toBool();
}
