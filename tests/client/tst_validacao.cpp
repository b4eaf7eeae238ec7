#include "client/CadConsBuscas.h"
#include "client/CadConsRegras.h"
#include "client/CadConsTabelas.h"
#include "db/tool/DemoData.h"
#include "host/HostZet.h"
#include "tests/server/ServerTestBackend.h"
#include "toolkit/DataSet.h"
#include "toolkit/Dispatch.h"
#include "toolkit/Exceptions.h"

#include <QDate>

#include <array>

namespace {

using E = CadConsEdicao;
using namespace cadcons;

// The screen's units wired as the form wires them, over plain texts and without a window;
// messages are collected as "kind text", the way the host shows them.
class Tela : public E::Textos, public E::Acoes, public E::Mensagens, public CadConsBuscas::Tela
{
public:
    explicit Tela(QStringList &mensagens) : m_mensagens(mensagens) {}

    QString texto(int numero) const override { return m_textos.at(size_t(numero)); }
    void setTexto(int numero, const QString &texto) override
    {
        m_textos.at(size_t(numero)) = texto;
    }
    bool verifica(E::Verificacao v, bool avanca) override { return buscas.verifica(v, avanca); }
    void capturaDigital() override {}
    void sair() override {}
    bool confirmarHabilitado() const override { return true; }
    void confirmar() override { regras.confirma(); }
    bool pesquisaHabilitada() const override { return true; }
    void pesquisaConsumidor() override { buscas.escolheConsumidor(); }
    void abreLista(int campo) override { buscas.abreLista(campo); }
    bool utilizaImpFis() const override { return false; }
    void menuFiscal() override {}
    void mudaCor() override {}
    void mostraMaiusculas(bool) override {}
    void mensagem(const char *chave, int tipo, const QString &nome) const override
    {
        const QString prefixo = QLatin1String(chave) + QLatin1Char('|');
        for (const QString &linha : linhasMensagens()) {
            if (linha.startsWith(prefixo))
                m_mensagens << QString::number(tipo) + QLatin1Char(' ') +
                                   linha.mid(prefixo.size()).replace(QLatin1String("%s"), nome);
        }
    }
    bool escolheNaLista(kvt::DataSet &, const QString &, bool) override { return false; }
    void anotaEntrega(const kvt::DataSet &) override {}
    void preencheEndViaCep() override {}

    // The screen of client "1" of the demo branch, as the parameters file sets it, opened.
    void abre(const QString &consumidor)
    {
        CadConsEstado &e = edicao.estado;
        e.stCdCliente = QStringLiteral("1");
        e.stConsumidor = consumidor;
        e.stModo = QStringLiteral("NOVO");
        e.stCdFilial = QLatin1String(kvt::db::kDemoFilial);
        e.stIdValidaAten = QStringLiteral("N");
        e.stCdCusClie = QLatin1String(kvt::db::kDemoCentroCusto);
        edicao.inLblAtiv = Cep;
        buscas.abre();
        edicao.mascaraTelefones();
    }

    // Touches field `numero`, empties it, types `texto`; a silent abort ends the key.
    void digita(int numero, const QString &texto)
    {
        edicao.selecionaCampo(numero);
        setTexto(numero, QString());
        for (const QChar c : texto)
            kvt::dispatch([&] { edicao.FormKeyPress(c); });
    }
    // The same, then Enter.
    void preencheEConfirma(int numero, const QString &texto)
    {
        digita(numero, texto);
        kvt::dispatch([&] { edicao.FormKeyDown(E::VK_RETURN, 0); });
    }

    CadConsEdicao edicao{*this, *this};
    CadConsRegras regras{edicao, *this, *this, *this};
    CadConsBuscas buscas{*this, *this, edicao.estado, regras, *this};

private:
    std::array<QString, E::kNumTextos + 1> m_textos;
    QStringList &m_mensagens;
};

const QString kAna = QStringLiteral("000000000012345678909");
const QString kCpfNoCodigo = QStringLiteral("000000000098765432100");

} // namespace

// The field checks and look-ups of the screen, driven by keys without a window, once per database
// backend and consumer list.
class tst_Validacao : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void init();
    void cleanup();
    void cpf();
    void identidadeDuplicada();
    void telefoneDuplicado();
    void datas();
    void consultasAoSair();
    void mensagensNaOrdem();

private:
    std::unique_ptr<Tela> abre(const QString &consumidor = {})
    {
        auto tela = std::make_unique<Tela>(m_mensagens);
        tela->abre(consumidor);
        return tela;
    }
    void exec(const QString &sql)
    {
        QSqlQuery query(fixture());
        FIXTURE_EXEC(query, sql);
    }

    QStringList m_mensagens;
};

void tst_Validacao::init()
{
    ServerTestBackend::init();
    m_mensagens.clear();
    kvt::setGeneralErrorHandler(
        [this](const QString &texto) { m_mensagens << QStringLiteral("ERROR ") + texto; });
    // What the units show through the host rather than the screen's messages.
    setMensagemHandler([this](const QString &texto, int tipo) {
        m_mensagens << QString::number(tipo) + QLatin1Char(' ') + texto;
    });
}

void tst_Validacao::cleanup()
{
    setMensagemHandler({});
    ServerTestBackend::cleanup();
}

void tst_Validacao::cpf()
{
    // Editing the holder of the CPF: no duplicate.
    auto edicao = abre(kAna);
    QCOMPARE(edicao->texto(Cpf), QStringLiteral("12345678909"));
    edicao->regras.Vd_Cpf();
    QVERIFY(m_mensagens.isEmpty());

    // A new consumer with that CPF: the holder of the same client is named, the field emptied.
    auto novo = abre();
    novo->setTexto(Cpf, QStringLiteral("12345678909"));
    novo->edicao.inLblAtiv = 2;
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, novo->regras.Vd_Cpf());
    QCOMPARE(m_mensagens,
             QStringList{QStringLiteral("0 Número de Cpf já cadastrado para o consumidor ANA.")});
    QCOMPARE(novo->texto(Cpf), QString());
    QCOMPARE(novo->edicao.inLblAtiv, 4);

    // A name another program stored outside Windows-1252 reaches the message whole.
    m_mensagens.clear();
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NMCONSUMIDOR = '\u0141ukasz' WHERE "
                        "NMCONSUMIDOR = 'ANA'"));
    novo->setTexto(Cpf, QStringLiteral("12345678909"));
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, novo->regras.Vd_Cpf());
    QCOMPARE(m_mensagens, QStringList{QStringLiteral(
                              "0 Número de Cpf já cadastrado para o consumidor \u0141ukasz.")});
    QCOMPARE(abre(kAna)->texto(NmConsumidor), QStringLiteral("\u0141ukasz"));

    m_mensagens.clear();
    novo->setTexto(Cpf, QStringLiteral("12345678900"));
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, novo->regras.Vd_Cpf());
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Número de Cpf inválido.")});
}

void tst_Validacao::identidadeDuplicada()
{
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NRRGCONSUMID = '777' "
                        "WHERE NMCONSUMIDOR = 'PELO TELEFONE'"));
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NRRGCONSUMID = '555' WHERE NMCONSUMIDOR = 'ANA'"));
    const QString duplicado = QStringLiteral(
        "2 Número de identidade já cadastrado para o consumidor \" PELO TELEFONE \".");

    // In edit mode the list is filtered down to the consumer being edited.
    auto edicao = abre(kAna);
    QCOMPARE(edicao->edicao.estado.adqPesqConsumidor->recordCount(), 1);
    edicao->preencheEConfirma(5, QStringLiteral("555"));
    QCOMPARE(edicao->edicao.inLblAtiv, 6);
    edicao->preencheEConfirma(5, QStringLiteral("777"));
    QCOMPARE(m_mensagens, QStringList{duplicado});
    QCOMPARE(edicao->texto(Identidade), QString());
    QCOMPARE(edicao->edicao.inLblAtiv, 5);

    // After a phone check the list holds only that phone's consumers.
    m_mensagens.clear();
    auto outro = abre(kCpfNoCodigo);
    outro->preencheEConfirma(7, QStringLiteral("1133334444"));
    QVERIFY2(m_mensagens.isEmpty(), qPrintable(m_mensagens.join(QLatin1Char('\n'))));
    QCOMPARE(outro->edicao.inLblAtiv, 8);
    QVERIFY(outro->edicao.estado.adqPesqConsumidor->filtered());
    QCOMPARE(outro->edicao.estado.adqPesqConsumidor->recordCount(), 1);
    outro->preencheEConfirma(5, QStringLiteral("777"));
    QCOMPARE(m_mensagens, QStringList{duplicado});
}

void tst_Validacao::telefoneDuplicado()
{
    // The field shows the mask, the row holds digits only.
    auto novo = abre();
    novo->preencheEConfirma(8, QStringLiteral("11987654321"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral(
                              "0 Número de telefone já cadastrado para o consumidor \" ANA \".")});
    QCOMPARE(novo->edicao.inLblAtiv, 8);
    QCOMPARE(novo->texto(Telefone2), QStringLiteral("(11)987654321"));

    // The consumer being edited may keep his own phone.
    m_mensagens.clear();
    auto edicao = abre(kAna);
    edicao->preencheEConfirma(7, QStringLiteral("11987654321"));
    QVERIFY(m_mensagens.isEmpty());
    QCOMPARE(edicao->edicao.inLblAtiv, 8);

    // Another consumer with it too is named, though the edited one is found first.
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NRTELECONS = '11987654321' "
                        "WHERE NMCONSUMIDOR = 'CPF SO NO CODIGO'"));
    abre(kAna)->preencheEConfirma(7, QStringLiteral("11987654321"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Número de telefone já cadastrado para o "
                                                     "consumidor \" CPF SO NO CODIGO \".")});
}

void tst_Validacao::datas()
{
    auto tela = abre();
    const auto data = [](int dias) {
        return QDate::currentDate().addDays(dias).toString(QStringLiteral("ddMMyyyy"));
    };
    const QString invalida = QStringLiteral("3 Data de nascimento inválida.");
    const struct
    {
        QString digitos;
        QString mensagem;
    } casos[] = {
        {data(-1), {}},
        {QStringLiteral("01011900"), {}},
        {data(0), invalida},
        {QStringLiteral("32012000"), invalida},
        {QStringLiteral("3112189"), invalida},
        {QStringLiteral("31121899"),
         QStringLiteral("3 Não é Possivel cadastrar um consumidor com a Data de Nascimento menor "
                        "que 01/01/1900")},
    };
    for (const auto &caso : casos) {
        m_mensagens.clear();
        tela->preencheEConfirma(3, caso.digitos);
        if (caso.mensagem.isEmpty()) {
            QVERIFY2(m_mensagens.isEmpty(), qPrintable(caso.digitos));
            QCOMPARE(tela->edicao.inLblAtiv, 4);
            QCOMPARE(tela->texto(DtNasc).size(), 10);
        } else {
            QCOMPARE(m_mensagens, QStringList{caso.mensagem});
            QCOMPARE(tela->edicao.inLblAtiv, 3);
            QCOMPARE(tela->texto(DtNasc), QString());
        }
    }
}

void tst_Validacao::consultasAoSair()
{
    auto tela = abre();
    // The postal code fills the address from the system's own table.
    tela->preencheEConfirma(1, QStringLiteral("01001000"));
    QCOMPARE(tela->edicao.inLblAtiv, 2);
    QCOMPARE(tela->texto(Endereco), QStringLiteral("Praca da Se"));
    QCOMPARE(tela->texto(Bairro), QStringLiteral("0000000001"));
    QCOMPARE(tela->texto(NmBairro), QStringLiteral("Centro"));

    // Codes typed short are found at their width; an unknown one keeps the operator there.
    tela->preencheEConfirma(16, QStringLiteral("2"));
    QCOMPARE(tela->texto(CodMuni), QStringLiteral("0002"));
    QCOMPARE(tela->texto(NmMuni), QStringLiteral("Campinas"));
    QCOMPARE(tela->edicao.inLblAtiv, 17);
    tela->preencheEConfirma(17, QStringLiteral("1"));
    QCOMPARE(tela->texto(NmBairro), QStringLiteral("Cambui"));
    tela->preencheEConfirma(15, QStringLiteral("xx"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Estado não cadastrado.")});
    QCOMPARE(tela->edicao.inLblAtiv, 15);
    QCOMPARE(tela->texto(Estado), QStringLiteral("xx"));
    m_mensagens.clear();
    tela->preencheEConfirma(14, QStringLiteral("9"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 País não cadastrado.")});
    QCOMPARE(tela->edicao.inLblAtiv, 14);

    // A branch that refuses postal codes it does not serve.
    m_mensagens.clear();
    tela->edicao.estado.stIdValidaAten = QStringLiteral("C");
    tela->preencheEConfirma(1, QStringLiteral("20000000"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Filial não atende o CEP informado.")});
    QCOMPARE(tela->edicao.inLblAtiv, 1);
}

void tst_Validacao::mensagensNaOrdem()
{
    const QList<QStringList> antes = consumidorSnapshot();
    auto tela = abre();
    const auto confirma = [&](const QString &mensagem, int campo) {
        m_mensagens.clear();
        kvt::dispatch([&] { tela->edicao.FormKeyDown(E::VK_F2, 0); });
        QCOMPARE(m_mensagens, QStringList{mensagem});
        QCOMPARE(tela->edicao.inLblAtiv, campo);
    };
    for (int numero = 1; numero <= kNumCampos; ++numero)
        tela->setTexto(numero, QString());
    confirma(QStringLiteral("3 Nome do consumidor deve ser informado."), 2);
    tela->digita(2, QStringLiteral("bia"));
    confirma(QStringLiteral("3 Número de telefone deve ser informado."), 7);
    tela->digita(7, QStringLiteral("11944443333"));
    confirma(QStringLiteral("3 Endereço deve ser informado."), 11);
    tela->digita(11, QStringLiteral("rua"));
    confirma(QStringLiteral("3 Número deve ser informado."), 12);
    tela->digita(12, QStringLiteral("1"));
    confirma(QStringLiteral("3 País deve ser informado."), 14);
    tela->digita(14, QStringLiteral("1058"));
    confirma(QStringLiteral("3 Estado deve ser informado."), 15);
    tela->digita(15, QStringLiteral("sp"));
    confirma(QStringLiteral("3 Município deve ser informado."), 16);
    tela->digita(16, QStringLiteral("7"));
    confirma(QStringLiteral("3 Município não cadastrado."), 16);
    QCOMPARE(tela->texto(Estado), QStringLiteral("SP"));
    // A code typed short is found at its width and replaced with the stored one and its name.
    tela->digita(16, QStringLiteral("2"));
    tela->digita(17, QStringLiteral("9"));
    confirma(QStringLiteral("3 Bairro não cadastrado."), 17);
    QCOMPARE(tela->texto(CodMuni), QStringLiteral("0002"));
    QCOMPARE(tela->texto(NmMuni), QStringLiteral("Campinas"));
    QCOMPARE(consumidorSnapshot(), antes);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runOverBothLists<tst_Validacao>(argc, argv);
}

#include "tst_validacao.moc"
