#include "CadConsRegras.h"

#include "CadConsColunas.h"
#include "CadConsTabelas.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ShortDate.h"
#include "toolkit/SiteFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>

QString stDigital;
QString stDigital2;

namespace {

using namespace cadcons;
using V = CadConsEdicao::Verificacao;

const QString kUnidade = QStringLiteral("Cli_Kvt04410");

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

void mostraErro(const QString &texto)
{
    Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"), 3);
}

} // namespace

CadConsRegras::CadConsRegras(CadConsEdicao &edicao, CadConsEdicao::Textos &textos,
                             CadConsEdicao::Acoes &acoes, const CadConsEdicao::Mensagens &mensagens)
    : cdsConsumidor(QStringLiteral("cdsConsumidor")),
      cdsPais_Estado(QStringLiteral("cdsPais_Estado"),
                     colunasProjeto(QStringLiteral("cdsPais_Estado"))),
      m_edicao(edicao), m_estado(edicao.estado), m_textos(textos), m_acoes(acoes),
      m_mensagens(mensagens)
{
}

void CadConsRegras::rejeita(const char *chave, int tipo, int limpar, int numero,
                            const QString &nome)
{
    m_mensagens.mensagem(chave, tipo, nome);
    if (limpar > 0)
        m_textos.setTexto(limpar, QString());
    if (numero > 0)
        m_edicao.inLblAtiv = numero;
    m_acoes.mudaCor();
    kvt::Abort();
}

void CadConsRegras::Vd_DtNasc(bool boTestaVazio)
{
    Q_UNUSED(boTestaVazio)
    const QString data = texto(DtNasc);
    if (EmptyString(data))
        return;
    const QDate dia = kvt::parseShortDate(data);
    // Yesterday passes and today fails: the date counts as midnight.
    if (!dia.isValid() || !(dia.startOfDay() < QDateTime::currentDateTime().addDays(-1)))
        rejeita("DATA_INV", 3, DtNasc, DtNasc);
    if (dia < QDate(1900, 1, 1))
        rejeita("DATA_MENOR", 3, DtNasc, DtNasc);
}

void CadConsRegras::Vd_Cpf()
{
    const QString cpf = texto(Cpf);
    if (EmptyString(cpf))
        return;
    // CPFOk also refuses other lengths and the same-digit sequences.
    if (!CPFOk(cpf))
        rejeita("CPF_NCAD", 3, Cpf, Cpf);

    const CadConsEstado &e = m_estado;
    QVariant resultado;
    getExisteConsumidor(e.stCdCliente, cpf, e.stConsumidor, resultado);
    const QVariant pacote = MensagemMetodo(
        resultado, true, 0, QStringLiteral("getExisteConsumidor"), kUnidade,
        e.stCdCliente + QLatin1Char('-') + cpf + QLatin1Char('-') + e.stConsumidor, e.stIdEsquema);
    cdsConsumidor.loadFromPacket(pacote.toByteArray(), QStringLiteral("getExisteConsumidor"));
    if (!cdsConsumidor.isEmpty()) {
        cdsConsumidor.first();
        rejeita("CPF_CAD", 0, Cpf, Cpf, cdsConsumidor.asString(QStringLiteral("NMCONSUMIDOR")));
    }
}

bool CadConsRegras::Vd_Telefones(const QString &telefone, bool boTestaVazio, int idTelefone)
{
    const bool vazio = EmptyString(telefone);
    m_edicao.mascaraTelefones();

    if (idTelefone == 1 && boTestaVazio && vazio) {
        m_mensagens.mensagem("TELEFONEINF", 3);
        return false;
    }
    kvt::DataSet *lista = m_estado.adqPesqConsumidor.get();
    if (vazio || !lista)
        return true;

    // The save stores digits only and older programs stored the mask: look for both.
    const QStringList formas = formasTelefone(telefone);
    kvt::RowFilter filtro;
    filtro.join = kvt::RowFilter::Join::Or;
    for (const QString &coluna : colunasTelefone()) {
        for (const QString &forma : formas)
            filtro.add(coluna, forma);
    }
    // The filter stays on the list after the check.
    lista->setFiltered(false);
    lista->setFilter(filtro);
    lista->setFiltered(true);

    // Any consumer but the one being edited is a duplicate, not only the first one found.
    for (lista->first(); !lista->eof(); lista->next()) {
        if (!m_estado.esteConsumidor(lista->asString(QStringLiteral("CDCLIENTE")),
                                     lista->asString(QStringLiteral("CDCONSUMIDOR"))))
            rejeita("TELEFONE_CAD", 0, 0, 0, lista->asString(QStringLiteral("NMCONSUMIDOR")));
    }
    return true;
}

bool CadConsRegras::vd_Identidade(bool boTestaVazio)
{
    const QString identidade = texto(Identidade);
    if (boTestaVazio && EmptyString(identidade)) {
        m_mensagens.mensagem("RGINF", 2);
        return false;
    }
    if (identidade.isEmpty() || !m_estado.adqPesqConsumidor)
        return true;

    // Past whatever filter the list holds: in edit mode, or after a phone check, the filter
    // hides the very consumers this check is about.
    const QList<QVariantList> encontrados = m_estado.adqPesqConsumidor->lookupRows(
        {QStringLiteral("CDCLIENTE"), QStringLiteral("NRRGCONSUMID")},
        {m_estado.stCdCliente, identidade},
        {QStringLiteral("CDCONSUMIDOR"), QStringLiteral("NMCONSUMIDOR")}, 2);
    for (const QVariantList &linha : encontrados) {
        if (!m_estado.esteConsumidor(m_estado.stCdCliente, linha.at(0).toString()))
            rejeita("RG_CAD", 2, Identidade, Identidade, linha.at(1).toString());
    }
    return true;
}

bool CadConsRegras::Vd_Cep()
{
    const QString cep = texto(Cep);
    QVariant resultado;
    getFilialCep(cep, resultado);
    return MensagemMetodo(resultado, true, 0, QStringLiteral("getCepFilial"), kUnidade, cep,
                          m_estado.stIdEsquema)
        .toBool();
}

bool CadConsRegras::falha(const char *chave, int numero)
{
    if (chave)
        m_mensagens.mensagem(chave, 3);
    m_edicao.inLblAtiv = numero;
    m_acoes.mudaCor();
    return false;
}

bool CadConsRegras::confirma()
{
    if (m_confirmando)
        return false;
    const Confirmando guarda(m_confirmando);
    const auto vazio = [this](int campo) { return EmptyString(texto(campo)); };

    if (vazio(NmConsumidor))
        return falha("NONINF", NmConsumidor);
    Vd_Cpf();
    if (m_estado.stModo == QLatin1String("NOVO")) {
        Vd_DtNasc(true);
        if (!vd_Identidade(false))
            return falha(nullptr, Identidade);
        if (!Vd_Telefones(texto(Telefone), true, 1))
            return falha(nullptr, Telefone);
        if (!vazio(Telefone2) && !Vd_Telefones(texto(Telefone2), false, 0))
            return falha(nullptr, Telefone2);
        if (!vazio(Celular) && !Vd_Telefones(texto(Celular), false, 0))
            return falha(nullptr, Celular);
    }
    if (vazio(Endereco))
        return falha("ENDINF", Endereco);
    if (vazio(Numero))
        return falha("NUMEROINF", Numero);

    // Typed codes become the registered ones on the screen; each look-up has spoken when it
    // returns false.
    if (vazio(CodPais))
        return falha("PAISINF", CodPais);
    if (!m_acoes.verifica(V::Pais, true))
        return falha(nullptr, CodPais);
    if (vazio(Estado))
        return falha("ESTADOINF", Estado);
    if (!m_acoes.verifica(V::Estado, true))
        return falha(nullptr, Estado);
    if (vazio(CodMuni))
        return falha("MUNIINF", CodMuni);
    if (!m_acoes.verifica(V::Municipio, true))
        return falha(nullptr, CodMuni);
    if (!vazio(Bairro) && !m_acoes.verifica(V::Bairro, true))
        return falha(nullptr, Bairro);

    // The consumer being saved never counts against himself.
    const QString salvo =
        m_estado.clienteDoConsumidor() == m_estado.stCdCliente ? m_estado.stConsumidor : QString();
    if (vazio(Cpf) && vdConsPorTelExiste(m_estado.stCdCliente, salvo, texto(Telefone)))
        return falha("CONSTELJACAD", Telefone);
    if (EmptyString(m_estado.stCdCusClie)) {
        m_mensagens.mensagem("CDCUSCLIE_NULL", 0);
        return false;
    }

    if (!salva())
        return false;
    const QString aviso = gravaCache();
    m_mensagens.mensagem("OPERACAO_OK", 0);
    // The consumer is stored: a cache that could not be written is only worth a warning.
    if (!aviso.isEmpty())
        mostraErro(aviso);
    m_estado.stResult = SoNumerosStr(texto(Telefone));
    return true;
}

ConsumidorArgs CadConsRegras::argumentosConsumidor() const
{
    const CadConsEstado &e = m_estado;
    ConsumidorArgs a;
    // An update writes the row of the consumer shown, whichever client the screen serves.
    a.P_CDCLIENTE = EmptyString(e.stConsumidor) ? e.stCdCliente : e.clienteDoConsumidor();
    a.P_CDCONSUMIDOR = e.stConsumidor;
    for (const CampoDef &campo : kCampos) {
        // A field the save does not know would be lost without a word.
        if (campo.coluna && !a.set(campo.coluna, texto(campo.numero)))
            throw kvt::Exception(QStringLiteral("A gravação do consumidor não tem a coluna %1.")
                                     .arg(QString::fromLatin1(campo.coluna)));
    }
    a.P_CDCCUSCLIE = e.stCdCusClie;
    a.P_CDTIPOCONS = e.stCdTipoCons;
    a.P_DIGITAL = stDigital;
    a.P_DIGITAL2 = stDigital2;
    a.digitalCapturada = e.boDigitalCapturada;
    // An edited consumer keeps his own sale type unless one was picked: the empty text would
    // be stored as "all".
    a.P_IDTPVENDACONS = e.stCdTipoVenda.isEmpty() && !EmptyString(e.stConsumidor)
                            ? e.stTipoVendaConsumidor
                            : e.stCdTipoVenda;
    return a;
}

bool CadConsRegras::salva()
{
    const CadConsEstado &e = m_estado;
    try {
        const ConsumidorArgs a = argumentosConsumidor();
        // The log names what was typed, in the save's column order, after the client and code
        // the screen holds.
        QStringList argumentos{e.stCdCliente, e.stConsumidor};
        for (const ConsumidorColumn &c : kConsumidorColumns) {
            if (c.gravacao != Gravacao::Codigo && c.gravacao != Gravacao::Digital &&
                c.gravacao != Gravacao::TipoVenda && c.argument != &ConsumidorArgs::P_CDCLIENTE)
                argumentos << a.*c.argument;
        }
        QVariant resultado;
        setInsereConsumidor(a, resultado);
        MensagemMetodo(resultado, true, 0, QStringLiteral("SetInsereConsumidor"), kUnidade,
                       argumentos.join(QLatin1Char('-')), e.stIdEsquema);
    } catch (const kvt::Exception &erro) {
        mostraErro(erro.message());
        return false;
    } catch (const std::exception &erro) {
        mostraErro(QString::fromUtf8(erro.what()));
        return false;
    }
    return true;
}

QString CadConsRegras::gravaCache()
{
    const QString pasta = hostDir() + QStringLiteral("/Dados/Cadastros");
    const QString arquivo = pasta + QStringLiteral("/Kvt_PaisEstado.cds");
    try {
        if (!cdsPais_Estado.active())
            cdsPais_Estado.createDataSet();
        cdsPais_Estado.append();
        cdsPais_Estado.setFieldValue(QStringLiteral("CDPAIS"), texto(CodPais));
        cdsPais_Estado.setFieldValue(QStringLiteral("NMPAIS"), texto(NmPais));
        cdsPais_Estado.setFieldValue(QStringLiteral("SGESTADO"), texto(Estado));
        cdsPais_Estado.post();
        if (!QDir().mkpath(pasta))
            throw kvt::Exception(QStringLiteral("Não foi possível criar a pasta %1.").arg(pasta));
        cdsPais_Estado.saveToFile(arquivo);
    } catch (const kvt::Exception &erro) {
        const QString porque = kvt::files::whyNotWritable(arquivo);
        return QStringLiteral("O consumidor foi gravado, mas o arquivo %1 não: %2")
            .arg(arquivo, porque.isEmpty() ? erro.message() : porque);
    }
    // Written aside and renamed, the file takes the umask's mode; the group's is 0660.
    QFile::setPermissions(arquivo, kvt::files::kGroupOnly);
    return {};
}
