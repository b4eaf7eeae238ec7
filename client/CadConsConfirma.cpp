#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Exceptions.h"
#include "toolkit/TouchButton.h"

#include <QDir>
#include <QStringList>

namespace {

// Clears a flag when the confirmation ends, however it ends.
class Confirmando
{
public:
    explicit Confirmando(bool &flag) : m_flag(flag) { m_flag = true; }
    ~Confirmando() { m_flag = false; }
    Confirmando(const Confirmando &) = delete;
    Confirmando &operator=(const Confirmando &) = delete;

private:
    bool &m_flag;
};

} // namespace

void TfrmCadCons::falha(const char *chave, int numero)
{
    if (chave)
        mensagem(chave, 3);
    inLblAtiv = numero;
    mudaCor();
}

void TfrmCadCons::sbtConfirmarClick()
{
    // A double tap or a second F2 while the first confirmation runs (its messages keep the
    // event loop turning) must not save twice.
    if (m_confirmando)
        return;
    const Confirmando guarda(m_confirmando);

    if (EmptyString(edtNmConsumidor->caption()))
        return falha("NONINF", 2);
    Vd_Cpf();
    if (stModo == QLatin1String("NOVO")) {
        Vd_DtNasc(true);
        if (!vd_Identidade(false))
            return falha(nullptr, 5);
        if (!Vd_Telefones(bldTelefone->caption(), true, 1))
            return falha(nullptr, 7);
        if (!EmptyString(edtTelefone2->caption()) &&
            !Vd_Telefones(edtTelefone2->caption(), false, 0))
            return falha(nullptr, 8);
        if (!EmptyString(edtCelular->caption()) && !Vd_Telefones(edtCelular->caption(), false, 0))
            return falha(nullptr, 9);
    }
    if (EmptyString(edtEndereco->caption()))
        return falha("ENDINF", 11);
    if (EmptyString(edtNumero->caption()))
        return falha("NUMEROINF", 12);

    // Typed codes become the registered ones on the screen; each look-up has spoken when it
    // returns false.
    if (EmptyString(edtCodPais->caption()))
        return falha("PAISINF", 14);
    if (!buscaPais())
        return falha(nullptr, 14);
    if (EmptyString(edtEstado->caption()))
        return falha("ESTADOINF", 15);
    if (!buscaEstado())
        return falha(nullptr, 15);
    if (EmptyString(edtCodMuni->caption()))
        return falha("MUNIINF", 16);
    if (!buscaMunicipio(true))
        return falha(nullptr, 16);
    if (!EmptyString(edtBairro->caption()) && !buscaBairro())
        return falha(nullptr, 17);

    if (EmptyString(edtCpf->caption()) &&
        vdConsPorTelExiste(stCdCliente, bldTelefone->caption(), bldTelefone->caption()))
        return falha("CONSTELJACAD", 7);
    if (EmptyString(stCdCusClie)) {
        mensagem("CDCUSCLIE_NULL", 0);
        return;
    }

    if (!salva())
        return;
    QStringList avisos{gravaCache()};
    if (!m_avisoLogCep.isEmpty())
        avisos << QStringLiteral("O registro das consultas de CEP não foi gravado: ") +
                      m_avisoLogCep;
    avisos.removeAll(QString());
    mensagem("OPERACAO_OK", 0);
    // The consumer is stored: what else could not be written is only worth a warning.
    if (!avisos.isEmpty())
        Mensagem(avisos.join(QLatin1Char('\n')), QString(), QStringLiteral("N"),
                 QStringLiteral("N"), 3);
    stResult = SoNumerosStr(bldTelefone->caption());
    accept();
}

bool TfrmCadCons::salva()
{
    ConsumidorArgs a;
    a.P_CDFILIAL = stCdFilial;
    a.P_CDCLIENTE = stCdCliente;
    a.P_CDCONSUMIDOR = stConsumidor;
    a.P_NMCONSUMIDOR = edtNmConsumidor->caption();
    a.P_DTNASCCONS = edtDtNasc->caption();
    a.P_NRCPFRESPCONS = edtCpf->caption();
    a.P_NRRGCONSUMID = bldIdentidade->caption();
    a.P_DSEMAILCONS = bldEmail->caption();
    a.P_NRTELECONS = bldTelefone->caption();
    a.P_NRTELE2CONS = edtTelefone2->caption();
    a.P_NRCELULARCONS = edtCelular->caption();
    a.P_DSENDECONS = edtEndereco->caption();
    a.P_NRENDECONS = edtNumero->caption();
    a.P_DSCOMPLENDECONS = bldComplemento->caption();
    a.P_NRCEPCONS = bldCep->caption();
    a.P_CDPAIS = edtCodPais->caption();
    a.P_SGESTADO = edtEstado->caption();
    a.P_CDMUNICIPIO = edtCodMuni->caption();
    a.P_CDBAIRRO = edtBairro->caption();
    a.P_DSREFERCONS = bldReferencia->caption();
    a.P_CDCCUSCLIE = stCdCusClie;
    a.P_CDTIPOCONS = stCdTipoCons;
    a.P_DIGITAL = stDigital;
    a.P_DIGITAL2 = stDigital2;
    // An edited consumer keeps his own sale type unless one was picked: the empty text would
    // be stored as "all".
    a.P_IDTPVENDACONS = stCdTipoVenda.isEmpty() && !EmptyString(stConsumidor)
                            ? stTipoVendaConsumidor
                            : stCdTipoVenda;

    const QString argumentos =
        QStringList{stCdCliente,         stConsumidor,      a.P_NMCONSUMIDOR, a.P_DTNASCCONS,
                    a.P_NRCPFRESPCONS,   a.P_NRRGCONSUMID,  a.P_DSEMAILCONS,  a.P_NRTELECONS,
                    a.P_NRTELE2CONS,     a.P_NRCELULARCONS, a.P_DSENDECONS,   a.P_NRENDECONS,
                    a.P_DSCOMPLENDECONS, a.P_NRCEPCONS,     a.P_CDPAIS,       a.P_SGESTADO,
                    a.P_CDMUNICIPIO,     a.P_CDBAIRRO,      a.P_DSREFERCONS,  stCdCusClie,
                    stCdTipoCons}
            .join(QLatin1Char('-'));
    try {
        QVariant resultado;
        setInsereConsumidor(a, resultado);
        MensagemMetodo(resultado, true, 0, QStringLiteral("SetInsereConsumidor"),
                       QStringLiteral("Cli_Kvt04410"), argumentos, stIdEsquema);
    } catch (const kvt::Exception &e) {
        Mensagem(e.message(), QString(), QStringLiteral("N"), QStringLiteral("N"), 3);
        return false;
    } catch (const std::exception &e) {
        Mensagem(QString::fromUtf8(e.what()), QString(), QStringLiteral("N"), QStringLiteral("N"),
                 3);
        return false;
    }
    return true;
}

QString TfrmCadCons::gravaCache()
{
    const QString pasta = hostDir() + QStringLiteral("/Dados/Cadastros");
    const QString arquivo = pasta + QStringLiteral("/Kvt_PaisEstado.cds");
    try {
        if (!cdsPais_Estado.active())
            cdsPais_Estado.createDataSet();
        cdsPais_Estado.append();
        cdsPais_Estado.setFieldValue(QStringLiteral("CDPAIS"), edtCodPais->caption());
        cdsPais_Estado.setFieldValue(QStringLiteral("NMPAIS"), bldNmPais->caption());
        cdsPais_Estado.setFieldValue(QStringLiteral("SGESTADO"), edtEstado->caption());
        cdsPais_Estado.post();
        if (!QDir().mkpath(pasta))
            throw kvt::Exception(QStringLiteral("Não foi possível criar a pasta %1.").arg(pasta));
        cdsPais_Estado.saveToFile(arquivo);
    } catch (const kvt::Exception &e) {
        return QStringLiteral("O consumidor foi gravado, mas o arquivo %1 não: %2")
            .arg(arquivo, e.message());
    }
    return {};
}

void TfrmCadCons::confirmar()
{
    sbtConfirmarClick();
}
