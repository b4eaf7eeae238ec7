#include "../TestDatabase.h"
#include "FormKeys.h"
#include "client/Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Colors.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TouchButton.h"

#include <QFrame>
#include <QLabel>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

// Preparing the form before it is shown: parameters, parameters file, branch defaults, the
// consumer to edit. Each test gets a fresh database and a fresh host folder.
class tst_InicializaForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowOrigin_data();
    void windowOrigin();
    void paramText_data();
    void paramText();
    void semArquivoDeParametros();
    void arquivoDeParametros_data();
    void arquivoDeParametros();
    void arquivoSemColuna_data();
    void arquivoSemColuna();
    void arquivoSemLinha();
    void simNaoEmTexto();
    void segundaCargaDaLista();
    void conexaoFalha();
    void novoComTelefone();
    void edicao();
    void edicaoDeConsumidorAusente();

private:
    // The parameters file; `linhas` rows (the second must never be read), UTILIZAIMPFIS stored
    // as a Boolean or, given a text, as a text column.
    void escreveParametros(const QStringList &semColunas = {}, int linhas = 2,
                           const QVariant &impFis = true);
    bool semeia();

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_host;
    QStringList m_mensagens;
};

namespace {

const QColor kCorTeclado = kvt::tcolor(15391193);

} // namespace

void tst_InicializaForm::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->ok(), qPrintable(m_db->error()));
    setConnectionString(m_db->connection());
    m_host = std::make_unique<QTemporaryDir>();
    QVERIFY(m_host->isValid());
    qputenv("KVT_HOST_DIR", m_host->path().toLocal8Bit());
    m_mensagens.clear();
    setMensagemHandler([this](const QString &texto, int) { m_mensagens << texto; });
}

void tst_InicializaForm::cleanup()
{
    // A form installs its own data module only for its lifetime.
    QVERIFY(!rdmInsereConsumidor);
    setMensagemHandler({});
    qunsetenv("KVT_HOST_DIR");
    m_host.reset();
    m_db.reset();
}

void tst_InicializaForm::escreveParametros(const QStringList &semColunas, int linhas,
                                           const QVariant &impFis)
{
    const bool impFisTexto = impFis.typeId() == QMetaType::QString;
    struct Coluna
    {
        const char *nome;
        kvt::FieldType tipo;
        QVariant valor;
    };
    const Coluna colunas[] = {
        {"INCOR1", kvt::FieldType::Integer, 11},
        {"INCOR2", kvt::FieldType::Integer, 22},
        {"INCOR3", kvt::FieldType::Integer, 33},
        {"INCOR4", kvt::FieldType::Integer, 44},
        {"INCOR5", kvt::FieldType::Integer, 55},
        {"INCOR6", kvt::FieldType::Integer, 66},
        {"UTILIZAIMPFIS", impFisTexto ? kvt::FieldType::String : kvt::FieldType::Boolean, impFis},
        {"IDESQUEMA", kvt::FieldType::String, "ESQ"},
        {"CDCCUSCLIE", kvt::FieldType::String, "CC01"},
        {"CDTIPOCONS", kvt::FieldType::String, "01"},
        {"CDFILIAL", kvt::FieldType::String, "0001"},
        {"CDLOJA", kvt::FieldType::String, "L1"},
        {"IDVALIDAATEN", kvt::FieldType::String, "C"},
        {"CDCLIENTE", kvt::FieldType::String, "0001"},
    };
    QList<kvt::FieldDef> campos;
    QVariantList valores;
    for (const Coluna &c : colunas) {
        if (semColunas.contains(QLatin1String(c.nome)))
            continue;
        kvt::FieldDef f;
        f.name = QString::fromLatin1(c.nome);
        f.type = c.tipo;
        f.size = c.tipo == kvt::FieldType::String ? 20 : 0;
        campos << f;
        valores << c.valor;
    }
    kvt::MemTable arquivo(QStringLiteral("parametros"), campos);
    arquivo.createDataSet();
    for (int linha = 0; linha < linhas; ++linha) {
        arquivo.appendRecord(valores);
        valores[0] = 99;
    }
    arquivo.saveToFile(m_host->filePath(QStringLiteral("PARAMETROSZET.CDS")));
}

bool tst_InicializaForm::semeia()
{
    const QString nome = QStringLiteral("semeia");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
        db.setDatabaseName(m_db->dir() + QStringLiteral("/kvt.db"));
        ok = db.open();
        const char *const comandos[] = {
            "INSERT INTO PAIS VALUES ('1058', 'Brasil')",
            "INSERT INTO ESTADO VALUES ('1058', 'SP', 'São Paulo')",
            "INSERT INTO MUNICIPIO VALUES ('1058', 'SP', '0001', 'São Paulo', '3550308')",
            "INSERT INTO BAIRRO VALUES ('1058', 'SP', '0001', '0000000007', 'Sé', 5.0, '0030')",
            "INSERT INTO ENDEFILI VALUES ('1058', 'SP', '0001')",
            "INSERT INTO FILIAL VALUES ('0001', 'Centro')",
            "INSERT INTO CLIENTE VALUES ('0001', 'Cliente')",
            "INSERT INTO CLIENFILIAL VALUES ('0001', '0001', 'S', 'S')",
            "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, DTNASCCONS, "
            "NRCPFRESPCON, NRRGCONSUMID, DSEMAILCONS, NRTELECONS, NRTELE2CONS, NRCELULARCONS, "
            "DSENDECONS, NRENDECONS, DSCOMPLENDECONS, DSREFERENDECONS, NRCEPCONS, CDPAIS, "
            "SGESTADO, CDMUNICIPIO, CDBAIRRO, IDTPVENDACONS, IDSITCONSUMI) VALUES ('0001', "
            "'00000000000000000123', 'Ana Souza', '1990-05-17 00:00:00', '52998224725', "
            "'123456', 'ana@x.br', '11987654321', '1133334444', '', 'Rua A', '10', 'ap 2', "
            "'perto', '01001000', '1058', 'SP', '0001', '0000000007', '3', '1')",
            "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, IDSITCONSUMI) "
            "VALUES ('0001', '00000000000000000124', 'Bruno', '1')",
        };
        for (const char *comando : comandos) {
            QSqlQuery q(db);
            if (ok && !q.exec(QString::fromUtf8(comando))) {
                qWarning() << comando << q.lastError().text();
                ok = false;
            }
        }
    }
    QSqlDatabase::removeDatabase(nome);
    return ok;
}

// clang-format off
void tst_InicializaForm::windowOrigin_data()
{
    QTest::addColumn<QRect>("tela");
    QTest::addColumn<QPoint>("atual");
    QTest::addColumn<QPoint>("esperado");
    QTest::newRow("640x480") << QRect(0, 0, 640, 480) << QPoint(7, 9) << QPoint(-80, -60);
    QTest::newRow("1024x768") << QRect(0, 0, 1024, 768) << QPoint(112, 84) << QPoint(112, 84);
    QTest::newRow("800x600") << QRect(0, 0, 800, 600) << QPoint(0, 0) << QPoint(0, 0);
    QTest::newRow("narrow only") << QRect(0, 0, 640, 1024) << QPoint(5, 212) << QPoint(-80, 212);
    // (799 - 800) / 2 truncates toward zero: 0, not -1.
    QTest::newRow("one pixel short") << QRect(0, 0, 799, 599) << QPoint(3, 3) << QPoint(0, 0);
    QTest::newRow("second screen") << QRect(1024, 0, 640, 480) << QPoint(1200, 5)
                                   << QPoint(944, -60);
}
// clang-format on

void tst_InicializaForm::windowOrigin()
{
    QFETCH(QRect, tela);
    QFETCH(QPoint, atual);
    QFETCH(QPoint, esperado);
    QCOMPARE(::windowOrigin(tela, QSize(800, 600), atual), esperado);
}

// clang-format off
void tst_InicializaForm::paramText_data()
{
    QTest::addColumn<QVariantList>("lista");
    QTest::addColumn<int>("indice");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("text") << QVariantList{"0001", "x"} << 0 << "0001";
    QTest::newRow("number") << QVariantList{42} << 0 << "42";
    QTest::newRow("null") << QVariantList{QVariant()} << 0 << "";
    QTest::newRow("missing") << QVariantList{"a", "b"} << 3 << "";
    QTest::newRow("empty list") << QVariantList{} << 0 << "";
}
// clang-format on

void tst_InicializaForm::paramText()
{
    QFETCH(QVariantList, lista);
    QFETCH(int, indice);
    QFETCH(QString, esperado);
    QCOMPARE(::paramText(lista, indice), esperado);
}

void tst_InicializaForm::semArquivoDeParametros()
{
    TfrmCadCons form;
    form.InicializaForm({QString(), QString(), QString(), QStringLiteral("NOVO")});

    QVERIFY(rdmInsereConsumidor);
    QVERIFY(rdmInsereConsumidor->connected());
    QCOMPARE(form.size(), QSize(800, 600));
    QCOMPARE(form.edicao().estado.stResult, QStringLiteral("SAIR"));
    QCOMPARE(form.edicao().estado.stModo, QStringLiteral("NOVO"));
    QCOMPARE(form.edicao().estado.stCdCliente, QString());
    QCOMPARE(form.edicao().estado.stCdFilial, QString());
    QCOMPARE(form.edicao().estado.incor1, 0);
    QVERIFY(!form.edicao().estado.boUtilizaImpFis);
    QCOMPARE(controle<QLabel>(form, "lblCodTela")->text(), QStringLiteral("KVT04410"));
    QCOMPARE(form.edicao().inLblAtiv, 1);
    QCOMPARE(controle<kvt::RoundShape>(form, "blsBorda1")->brushColor(), QColor(Qt::black));
    QCOMPARE(controle<kvt::RoundShape>(form, "blsBorda2")->brushColor(), kCorTeclado);
    QCOMPARE(controle<QFrame>(form, "panTeclado")->palette().color(QPalette::Window),
             QColor(Qt::white));
    QCOMPARE(controle<QFrame>(form, "panOutros")->palette().color(QPalette::Window),
             QColor(Qt::white));
    QCOMPARE(tabela(form, "cdsTipoVenda")->recordCount(), 7);
    // An empty branch list and no branch address: the screen opens with empty fields.
    QVERIFY(form.edicao().estado.adqPesqConsumidor);
    QCOMPARE(form.edicao().estado.adqPesqConsumidor->recordCount(), 0);
    QCOMPARE(form.campo(cadcons::CodPais)->caption(), QString());
    QCOMPARE(form.campo(cadcons::Telefone)->caption(), QString());
    QVERIFY(m_mensagens.isEmpty());
}

// clang-format off
void tst_InicializaForm::arquivoDeParametros_data()
{
    QTest::addColumn<QVariant>("cliente");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("client from the file") << QVariant() << "0001";
    QTest::newRow("blank client from the file") << QVariant(QStringLiteral("  ")) << "0001";
    QTest::newRow("client from the host") << QVariant(QStringLiteral("0099")) << "0099";
}
// clang-format on

void tst_InicializaForm::arquivoDeParametros()
{
    QFETCH(QVariant, cliente);
    QFETCH(QString, esperado);

    escreveParametros();
    TfrmCadCons form;
    form.InicializaForm({cliente, QString(), QString(), QString()});

    QCOMPARE(form.edicao().estado.stCdCliente, esperado);
    QCOMPARE(form.edicao().estado.incor1, 11);
    QCOMPARE(form.edicao().estado.incor2, 22);
    QCOMPARE(form.edicao().estado.incor3, 33);
    QCOMPARE(form.edicao().estado.incor4, 44);
    QCOMPARE(form.edicao().estado.incor5, 55);
    QCOMPARE(form.edicao().estado.incor6, 66);
    QVERIFY(form.edicao().estado.boUtilizaImpFis);
    QCOMPARE(form.edicao().estado.stIdEsquema, QStringLiteral("ESQ"));
    QCOMPARE(form.edicao().estado.stCdCusClie, QStringLiteral("CC01"));
    QCOMPARE(form.edicao().estado.stCdTipoCons, QStringLiteral("01"));
    QCOMPARE(form.edicao().estado.stCdFilial, QStringLiteral("0001"));
    QCOMPARE(form.edicao().estado.stCdLoja, QStringLiteral("L1"));
    QCOMPARE(form.edicao().estado.stIdValidaAten, QStringLiteral("C"));
    QCOMPARE(controle<QFrame>(form, "panTeclado")->palette().color(QPalette::Window), kCorTeclado);
    QCOMPARE(controle<QFrame>(form, "panOutros")->palette().color(QPalette::Window), kCorTeclado);
    QCOMPARE(controle<QLabel>(form, "lblCodTela")->text(),
             MontaRodapeGeral(true, QStringLiteral("KVT04410"), QStringLiteral("S")));
    QVERIFY(controle<QLabel>(form, "lblCodTela")->text() != QStringLiteral("KVT04410"));
}

// clang-format off
void tst_InicializaForm::arquivoSemColuna_data()
{
    QTest::addColumn<QString>("coluna");
    QTest::addColumn<QVariant>("cliente");
    QTest::addColumn<bool>("falha");
    QTest::newRow("INCOR1") << "INCOR1" << QVariant("0001") << true;
    QTest::newRow("INCOR6") << "INCOR6" << QVariant("0001") << true;
    QTest::newRow("UTILIZAIMPFIS") << "UTILIZAIMPFIS" << QVariant("0001") << true;
    QTest::newRow("IDESQUEMA") << "IDESQUEMA" << QVariant("0001") << true;
    QTest::newRow("CDFILIAL") << "CDFILIAL" << QVariant("0001") << true;
    QTest::newRow("IDVALIDAATEN") << "IDVALIDAATEN" << QVariant("0001") << true;
    QTest::newRow("CDCLIENTE needed") << "CDCLIENTE" << QVariant() << true;
    QTest::newRow("CDCLIENTE not needed") << "CDCLIENTE" << QVariant("0001") << false;
}
// clang-format on

void tst_InicializaForm::arquivoSemColuna()
{
    QFETCH(QString, coluna);
    QFETCH(QVariant, cliente);
    QFETCH(bool, falha);

    escreveParametros({coluna});
    TfrmCadCons form;
    if (falha) {
        try {
            form.InicializaForm({cliente});
            QFAIL("a parameters file without a column was accepted");
        } catch (const kvt::EDatabaseError &e) {
            QVERIFY2(e.message().contains(coluna), qPrintable(e.message()));
        }
    } else {
        form.InicializaForm({cliente});
        QCOMPARE(form.edicao().estado.stCdCliente, cliente.toString());
    }
}

void tst_InicializaForm::arquivoSemLinha()
{
    escreveParametros({}, 0);
    TfrmCadCons form;
    form.InicializaForm({QString(), QString(), QString(), QStringLiteral("NOVO")});
    QCOMPARE(form.edicao().estado.incor1, 0);
    QVERIFY(!form.edicao().estado.boUtilizaImpFis);
    QCOMPARE(form.edicao().estado.stCdFilial, QString());
    QCOMPARE(form.edicao().estado.stCdCliente, QString());
    QCOMPARE(controle<QFrame>(form, "panTeclado")->palette().color(QPalette::Window),
             QColor(Qt::white));
    QVERIFY(m_mensagens.isEmpty());
}

void tst_InicializaForm::simNaoEmTexto()
{
    for (const auto &[texto, esperado] : {std::pair{"S", true}, std::pair{"N", false}}) {
        escreveParametros({}, 1, QString::fromLatin1(texto));
        TfrmCadCons form;
        form.InicializaForm({QStringLiteral("0001")});
        QCOMPARE(form.edicao().estado.boUtilizaImpFis, esperado);
    }
}

void tst_InicializaForm::segundaCargaDaLista()
{
    QVERIFY(semeia());
    escreveParametros();
    auto modulo = std::make_optional<DataModuleScope>();
    TfrmCadCons form;
    form.InicializaForm({QStringLiteral("0001")});
    QVERIFY(form.edicao().estado.adqPesqConsumidor);
    // Another load, and the data module's end, must leave the screen's list alive (ASan
    // watches).
    QVERIFY(GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")));
    modulo.reset();
    QCOMPARE(form.edicao().estado.adqPesqConsumidor->recordCount(), 2);
    QCOMPARE(form.edicao()
                 .estado.adqPesqConsumidor
                 ->value(0, form.edicao().estado.adqPesqConsumidor->fieldByName(
                                QStringLiteral("CDCLIENTE")))
                 .toString(),
             QStringLiteral("0001"));
}

void tst_InicializaForm::conexaoFalha()
{
    setConnectionString(QStringLiteral("driver=QSQLITE;database=") + m_host->path() +
                        QStringLiteral("/no/such/folder/kvt.db"));
    TfrmCadCons form;
    QVERIFY_THROWS_EXCEPTION(kvt::Exception, form.InicializaForm({}));
    QVERIFY(rdmInsereConsumidor);
    QVERIFY(!rdmInsereConsumidor->connected());
    QCOMPARE(form.edicao().estado.stResult, QString());
}

void tst_InicializaForm::novoComTelefone()
{
    QVERIFY(semeia());
    escreveParametros();
    TfrmCadCons form;
    form.InicializaForm(
        {QStringLiteral("0001"), QString(), QStringLiteral("11987654321"), QStringLiteral("NOVO")});

    QCOMPARE(form.campo(cadcons::Telefone)->caption(), QStringLiteral("(11)987654321"));
    QCOMPARE(form.campo(cadcons::Telefone2)->caption(), QString());
    QCOMPARE(form.campo(cadcons::Celular)->caption(), QString());
    QCOMPARE(form.campo(cadcons::CodPais)->caption(), QStringLiteral("1058"));
    QCOMPARE(form.campo(cadcons::NmPais)->caption(), QStringLiteral("Brasil"));
    QCOMPARE(form.campo(cadcons::Estado)->caption(), QStringLiteral("SP"));
    QCOMPARE(form.campo(cadcons::CodMuni)->caption(), QStringLiteral("0001"));
    QCOMPARE(form.campo(cadcons::NmMuni)->caption(), QStringLiteral("São Paulo"));
    QCOMPARE(form.campo(cadcons::Bairro)->caption(), QString());
    QCOMPARE(form.campo(cadcons::NmBairro)->caption(), QString());
    QCOMPARE(form.campo(cadcons::NmConsumidor)->caption(), QString());
    QCOMPARE(tabela(form, "cdsEndeFili")->recordCount(), 1);
    // Both consumers of the branch, unfiltered.
    QVERIFY(form.edicao().estado.adqPesqConsumidor);
    QCOMPARE(form.edicao().estado.adqPesqConsumidor->recordCount(), 2);
    QVERIFY(!form.edicao().estado.adqPesqConsumidor->filtered());
}

void tst_InicializaForm::edicao()
{
    QVERIFY(semeia());
    escreveParametros();
    TfrmCadCons form;
    const QString codigo = QStringLiteral("00000000000000000123");
    form.InicializaForm({QStringLiteral("0001"), codigo, QStringLiteral("999"), QString()});

    QCOMPARE(form.edicao().estado.stConsumidor, codigo);
    const QList<QPair<kvt::TouchButton *, QString>> esperados = {
        {form.campo(cadcons::NmConsumidor), "Ana Souza"},
        {form.campo(cadcons::DtNasc), "17/05/1990"},
        {form.campo(cadcons::Cpf), "52998224725"},
        {form.campo(cadcons::Identidade), "123456"},
        {form.campo(cadcons::Email), "ana@x.br"},
        {form.campo(cadcons::Telefone), "(11)987654321"},
        {form.campo(cadcons::Telefone2), "(11)33334444"},
        {form.campo(cadcons::Celular), ""},
        {form.campo(cadcons::TipoVenda), "A Vista"},
        {form.campo(cadcons::Endereco), "Rua A"},
        {form.campo(cadcons::Numero), "10"},
        {form.campo(cadcons::Complemento), "ap 2"},
        {form.campo(cadcons::CodPais), "1058"},
        {form.campo(cadcons::NmPais), "Brasil"},
        {form.campo(cadcons::Estado), "SP"},
        {form.campo(cadcons::CodMuni), "0001"},
        {form.campo(cadcons::NmMuni), "São Paulo"},
        {form.campo(cadcons::Bairro), "0000000007"},
        {form.campo(cadcons::NmBairro), "Sé"},
        {form.campo(cadcons::Referencia), "perto"},
        {form.campo(cadcons::Cep), "01001000"},
    };
    for (const auto &[campo, texto] : esperados)
        QCOMPARE(campo->caption(), texto);
    QCOMPARE(form.edicao().estado.stCdTipoVenda, QString());
    // The filter stays: later searches of the list see this consumer only.
    QVERIFY(form.edicao().estado.adqPesqConsumidor->filtered());
    QCOMPARE(form.edicao().estado.adqPesqConsumidor->recordCount(), 1);
    // No branch defaults in edit mode.
    QCOMPARE(tabela(form, "cdsEndeFili")->recordCount(), 0);
}

void tst_InicializaForm::edicaoDeConsumidorAusente()
{
    QVERIFY(semeia());
    escreveParametros();
    TfrmCadCons form;
    // A quote in the code must not break the filter.
    const QString codigo = QStringLiteral("999'9");
    form.InicializaForm({QStringLiteral("0001"), codigo, QString(), QString()});

    QCOMPARE(form.edicao().estado.stConsumidor, codigo);
    QCOMPARE(form.edicao().estado.adqPesqConsumidor->recordCount(), 0);
    for (int numero = 1; numero <= TfrmCadCons::kNumCampos; ++numero)
        QCOMPARE(form.campo(numero)->caption(), QString());
    QCOMPARE(form.campo(cadcons::NmPais)->caption(), QString());
}

QTEST_MAIN(tst_InicializaForm)
#include "tst_inicializaform.moc"
