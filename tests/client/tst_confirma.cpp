#include "FormKeys.h"
#include "FormTestBackend.h"
#include "client/Cli_Kvt04410.h"
#include "host/DataSetModel.h"
#include "host/HostZet.h"
#include "host/PesquisaDialog.h"
#include "host/ScreenServices.h"
#include "toolkit/DataSet.h"
#include "toolkit/MemTable.h"
#include "toolkit/PictureButton.h"
#include "toolkit/TouchButton.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QQueue>
#include <QTableView>
#include <QTemporaryDir>

// Confirm and save, the pickers and the consumer search, driven as an operator does, once per
// database backend; stored rows are read back from the database.
class tst_Confirma : public FormTestBackend
{
    Q_OBJECT

public:
    using FormTestBackend::FormTestBackend;

private slots:
    void init();
    void cleanup();

    void novoConsumidorPorTeclas();
    void novoSemCpfPeloTelefone();
    void edicaoMudaUmCampo();
    void centroDeCustoBloqueia();
    void falhaNoBancoMantemTela();
    void cacheSemPasta();
    void paisComFalhaMostraErroDoBanco();
    void segundoF2Ignorado();
    void seletores();
    void pesquisaOfereceTodos();
    void pesquisaNoDialogo();

private:
    // Fills what a new consumer needs besides the branch's address, by keys.
    void preencheNovo(TfrmCadCons &form, const QString &cpf);
    // Street, number and a registered country, state and municipality, by keys.
    void completaEndereco(TfrmCadCons &form);
    QString cache() const;

    QQueue<QString> m_escolhas; // "COLUMN=value", or "" to cancel
    QStringList m_listas;       // "table rows pais cor1" per list dialog
};

namespace {

using E = CadConsEdicao;
const QString kAna = QStringLiteral("000000000012345678909");
const QString kCpfNovo = QStringLiteral("52998224725");

} // namespace

void tst_Confirma::init()
{
    FormTestBackend::init();
    m_escolhas.clear();
    m_listas.clear();
    Pesquisa = [this](kvt::DataSet &tabela, int, const QString &pais, int cor1, int, int, int,
                      int) {
        m_listas << QStringLiteral("%1 %2 %3 %4")
                        .arg(tabela.name())
                        .arg(tabela.recordCount())
                        .arg(pais)
                        .arg(cor1);
        const QString escolha = m_escolhas.isEmpty() ? QString() : m_escolhas.dequeue();
        if (escolha.isEmpty())
            return false;
        const QStringList par = escolha.split(QLatin1Char('='));
        return tabela.locate({par.at(0)}, {par.at(1)});
    };
    DigitalConsumidor = [](int, int, const QString &nome, QVariant &retorno) {
        retorno = QVariantList{QStringLiteral("digital de ") + nome, QStringLiteral("d2")};
    };
}

void tst_Confirma::cleanup()
{
    Pesquisa = nullptr;
    DigitalConsumidor = nullptr;
    stDigital.clear();
    stDigital2.clear();
    FormTestBackend::cleanup();
}

QString tst_Confirma::cache() const
{
    const QString arquivo = m_host->filePath(QStringLiteral("Dados/Cadastros/Kvt_PaisEstado.cds"));
    if (!QFile::exists(arquivo))
        return QStringLiteral("<no file>");
    kvt::MemTable tabela;
    tabela.loadFromFile(arquivo);
    tabela.open();
    QStringList linhas;
    for (tabela.first(); !tabela.eof(); tabela.next()) {
        linhas << tabela.asString(QStringLiteral("CDPAIS")) + QLatin1Char(' ') +
                      tabela.asString(QStringLiteral("SGESTADO")) + QLatin1Char(' ') +
                      tabela.asString(QStringLiteral("NMPAIS"));
    }
    return linhas.join(QLatin1Char('|'));
}

void tst_Confirma::preencheNovo(TfrmCadCons &form, const QString &cpf)
{
    digita(form, 2, QStringLiteral("carla"));
    digita(form, 3, QStringLiteral("17051990"));
    digita(form, 4, cpf);
    digita(form, 7, QStringLiteral("11955554444"));
    digita(form, 11, QStringLiteral("rua b"));
    digita(form, 12, QStringLiteral("12"));
}

void tst_Confirma::completaEndereco(TfrmCadCons &form)
{
    for (const auto &[campo, texto] :
         {std::pair{11, "rua c"}, {12, "7"}, {14, "1058"}, {15, "sp"}, {16, "1"}, {17, ""}})
        digita(form, campo, QString::fromLatin1(texto));
}

void tst_Confirma::novoConsumidorPorTeclas()
{
    auto form = abre();
    preencheNovo(*form, kCpfNovo);
    tecla(*form, E::VK_F4); // the fingerprint, saved with the consumer
    tecla(*form, E::VK_F2);

    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});
    QCOMPARE(form->edicao().estado.stResult, QStringLiteral("11955554444"));
    QCOMPARE(form->result(), int(QDialog::Accepted));
    const QVariantMap linha = consumidor(QStringLiteral("1"), ajusta21(kCpfNovo));
    QCOMPARE(linha.value(QStringLiteral("NMCONSUMIDOR")).toString(), QStringLiteral("carla"));
    QCOMPARE(dateOf(linha.value(QStringLiteral("DTNASCCONS"))), QDate(1990, 5, 17));
    QCOMPARE(linha.value(QStringLiteral("NRCPFRESPCON")).toString(), kCpfNovo);
    QCOMPARE(linha.value(QStringLiteral("NRTELECONS")).toString(), QStringLiteral("11955554444"));
    QCOMPARE(linha.value(QStringLiteral("CDPAIS")).toString(), QStringLiteral("1058"));
    QCOMPARE(linha.value(QStringLiteral("CDMUNICIPIO")).toString(), QStringLiteral("0001"));
    QCOMPARE(linha.value(QStringLiteral("IDATUCONSUMI")).toString(), QStringLiteral("I"));
    QCOMPARE(linha.value(QStringLiteral("IDTPVENDACONS")).toString(), QStringLiteral("7"));
    QCOMPARE(linha.value(QStringLiteral("DIGICONSUMIDOR")).toString(),
             QStringLiteral("digital de carla"));
    QCOMPARE(linha.value(QStringLiteral("CDCCUSCLIE")).toString(), QStringLiteral("0001"));
    QCOMPARE(cache(), QStringLiteral("1058 SP BRASIL"));
}

void tst_Confirma::novoSemCpfPeloTelefone()
{
    auto form = abre();
    preencheNovo(*form, QString());
    // Ctrl+Enter confirms as F2 does; the code is made of the phone's digits.
    tecla(*form, E::VK_RETURN, E::Ctrl);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});
    const QVariantMap linha =
        consumidor(QStringLiteral("1"), ajusta21(QStringLiteral("11955554444")));
    QCOMPARE(linha.value(QStringLiteral("NMCONSUMIDOR")).toString(), QStringLiteral("carla"));

    // The same phone again on a new screen: found before anything is written twice.
    m_mensagens.clear();
    const QList<QStringList> antes = consumidorSnapshot();
    auto outro = abre();
    preencheNovo(*outro, QString());
    tecla(*outro, E::VK_F2);
    QCOMPARE(m_mensagens,
             QStringList{QStringLiteral(
                 "0 Número de telefone já cadastrado para o consumidor \" carla \".")});
    QCOMPARE(consumidorSnapshot(), antes);

    // Without the telephone check on leaving, the confirmation finds him by the digits.
    m_mensagens.clear();
    auto terceiro = abre(QString(), QString());
    preencheNovo(*terceiro, QString());
    tecla(*terceiro, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Já existe um consumidor cadastrado com o "
                                                     "número de telefone informado.")});
    QCOMPARE(terceiro->edicao().inLblAtiv, 7);
    QCOMPARE(consumidorSnapshot(), antes);
}

void tst_Confirma::edicaoMudaUmCampo()
{
    exec(QStringLiteral("UPDATE CONSUMIDOR SET IDTPVENDACONS = '3', DSENDECONS = 'Rua A', "
                        "NRENDECONS = '5', DIGICONSUMIDOR = 'impressao', "
                        "DIGICONSUMIDOR2 = 'impressao 2' WHERE NMCONSUMIDOR = 'ANA'"));
    const QVariantMap antes = consumidor(QStringLiteral("1"), kAna);
    auto form = abre(kAna, QString());
    QCOMPARE(form->campo(cadcons::TipoVenda)->caption(), QStringLiteral("A Vista"));
    digita(*form, 6, QStringLiteral("ana@x.br"));
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});

    QVariantMap depois = consumidor(QStringLiteral("1"), kAna);
    QCOMPARE(depois.value(QStringLiteral("DSEMAILCONS")).toString(), QStringLiteral("ana@x.br"));
    // The stored sale type and prints stay when none was picked or captured; the rest too.
    for (const char *coluna :
         {"NMCONSUMIDOR", "IDTPVENDACONS", "IDATUCONSUMI", "NRCPFRESPCON", "NRTELECONS",
          "DSREFERENDECONS", "CDBAIRRO", "DIGICONSUMIDOR", "DIGICONSUMIDOR2"})
        QCOMPARE(depois.value(QLatin1String(coluna)).toString(),
                 antes.value(QLatin1String(coluna)).toString());

    // A picked sale type and a captured print win.
    m_escolhas << QStringLiteral("CDTIPOVENDA=5");
    auto outra = abre(kAna, QString());
    outra->campoClick(10);
    tecla(*outra, E::VK_F9);
    tecla(*outra, E::VK_F4);
    tecla(*outra, E::VK_F2);
    depois = consumidor(QStringLiteral("1"), kAna);
    QCOMPARE(depois.value(QStringLiteral("IDTPVENDACONS")).toString(), QStringLiteral("5"));
    QCOMPARE(depois.value(QStringLiteral("DIGICONSUMIDOR")).toString(),
             QStringLiteral("digital de ANA"));
    QCOMPARE(depois.value(QStringLiteral("DIGICONSUMIDOR2")).toString(), QStringLiteral("d2"));

    // A consumer gone since the screen opened: nothing written is no success.
    auto apagado = abre(kAna, QString());
    exec(QStringLiteral("DELETE FROM CONSUMIDOR WHERE NMCONSUMIDOR = 'ANA'"));
    m_mensagens.clear();
    tecla(*apagado, E::VK_F2);
    QCOMPARE(m_mensagens.size(), 1);
    QVERIFY2(m_mensagens.first().startsWith(QStringLiteral("3 ") +
                                            consumidorNaoEncontrado(QStringLiteral("1"), kAna)),
             qPrintable(m_mensagens.first()));
    QCOMPARE(apagado->edicao().estado.stResult, QStringLiteral("SAIR"));
    QVERIFY(apagado->result() != QDialog::Accepted);
}

void tst_Confirma::centroDeCustoBloqueia()
{
    const QList<QStringList> antes = consumidorSnapshot();
    auto form = abre();
    form->edicao().estado.stCdCusClie.clear();
    preencheNovo(*form, kCpfNovo);
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral(
                              "0  Operação bloqueada. Não há centro de custo cadastrado.")});
    QCOMPARE(form->edicao().estado.stResult, QStringLiteral("SAIR"));
    QCOMPARE(consumidorSnapshot(), antes);
    QCOMPARE(cache(), QStringLiteral("<no file>"));
}

void tst_Confirma::falhaNoBancoMantemTela()
{
    if (backend() == QLatin1String("sqlite")) {
        exec(QStringLiteral("CREATE TRIGGER recusa BEFORE INSERT ON CONSUMIDOR "
                            "BEGIN SELECT RAISE(ABORT, 'gravacao recusada'); END"));
    } else {
        exec(QStringLiteral("CREATE OR REPLACE FUNCTION recusa() RETURNS trigger AS $$ BEGIN "
                            "RAISE EXCEPTION 'gravacao recusada'; END $$ LANGUAGE plpgsql"));
        exec(QStringLiteral("CREATE TRIGGER recusa BEFORE INSERT ON CONSUMIDOR "
                            "FOR EACH ROW EXECUTE FUNCTION recusa()"));
    }
    const QList<QStringList> antes = consumidorSnapshot();
    auto form = abre();
    preencheNovo(*form, kCpfNovo);
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens.size(), 1);
    QVERIFY2(m_mensagens.first().startsWith(QLatin1String("3 ")) &&
                 m_mensagens.first().contains(QLatin1String("gravacao recusada")),
             qPrintable(m_mensagens.first()));
    QCOMPARE(form->edicao().estado.stResult, QStringLiteral("SAIR"));
    QVERIFY(form->result() != QDialog::Accepted);
    QCOMPARE(consumidorSnapshot(), antes);
    if (backend() != QLatin1String("sqlite"))
        exec(QStringLiteral("DROP FUNCTION recusa() CASCADE"));
}

void tst_Confirma::paisComFalhaMostraErroDoBanco()
{
    auto form = abre();
    preencheNovo(*form, kCpfNovo);
    exec(backend() == QLatin1String("sqlite") ? QStringLiteral("DROP TABLE PAIS")
                                              : QStringLiteral("DROP TABLE PAIS CASCADE"));
    tecla(*form, E::VK_F2);
    // The database's own words, not a complaint about a packet that never came.
    QCOMPARE(m_mensagens.size(), 1);
    QVERIFY2(m_mensagens.first().startsWith(QLatin1String("ERROR ")) &&
                 (m_mensagens.first().contains(QLatin1String("no such table")) ||
                  m_mensagens.first().contains(QLatin1String("does not exist"))),
             qPrintable(m_mensagens.first()));
    QCOMPARE(form->edicao().estado.stResult, QStringLiteral("SAIR"));
}

void tst_Confirma::cacheSemPasta()
{
    // "Dados" is a file: the folder of the cache cannot be made.
    QFile bloqueio(m_host->filePath(QStringLiteral("Dados")));
    QVERIFY(bloqueio.open(QIODevice::WriteOnly));
    bloqueio.close();
    auto form = abre();
    preencheNovo(*form, kCpfNovo);
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens.size(), 2);
    QCOMPARE(m_mensagens.at(0), QStringLiteral("0 Operação realizada com sucesso."));
    QVERIFY2(m_mensagens.at(1).contains(QLatin1String("Kvt_PaisEstado.cds")),
             qPrintable(m_mensagens.at(1)));
    QCOMPARE(form->edicao().estado.stResult, QStringLiteral("11955554444"));
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QVERIFY(!consumidor(QStringLiteral("1"), ajusta21(kCpfNovo)).isEmpty());
}

void tst_Confirma::segundoF2Ignorado()
{
    auto form = abre();
    preencheNovo(*form, QString());
    // The second F2 arrives while the first confirmation shows its message.
    m_aoMostrar = [&](const QString &) {
        m_aoMostrar = nullptr;
        tecla(*form, E::VK_F2);
    };
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});
}

void tst_Confirma::seletores()
{
    auto form = abre();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    // Chosen: the code and name are copied; cancelled: nothing changes.
    m_escolhas << QStringLiteral("CDPAIS=0063") << QString();
    form->campoClick(14);
    tecla(*form, E::VK_F9);
    QCOMPARE(form->campo(cadcons::CodPais)->caption(), QStringLiteral("0063"));
    QCOMPARE(form->campo(cadcons::NmPais)->caption(), QStringLiteral("ARGENTINA"));
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dfxPesqPais"), Qt::LeftButton);
    QCOMPARE(form->campo(cadcons::CodPais)->caption(), QStringLiteral("0063"));

    m_escolhas << QStringLiteral("SGESTADO=SP");
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dxfPesqEstado"), Qt::LeftButton);
    QCOMPARE(form->campo(cadcons::Estado)->caption(), QStringLiteral("SP"));
    // The state, municipality and neighbourhood of Argentina's SP: nothing registered below.
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dxfMunicipio"), Qt::LeftButton);
    QCOMPARE(m_mensagens,
             QStringList{QStringLiteral("3 Não há município cadastrado para o estado informado.")});

    m_escolhas << QStringLiteral("CDPAIS=1058") << QStringLiteral("CDMUNICIPIO=0002")
               << QStringLiteral("CDBAIRRO=0000000001") << QString();
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dfxPesqPais"), Qt::LeftButton);
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dxfMunicipio"), Qt::LeftButton);
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dxfBairro"), Qt::LeftButton);
    QCOMPARE(form->campo(cadcons::NmMuni)->caption(), QStringLiteral("Campinas"));
    QCOMPARE(form->campo(cadcons::NmBairro)->caption(), QStringLiteral("Cambui"));
    form->campoClick(10);
    tecla(*form, E::VK_F9);
    QCOMPARE(form->edicao().estado.stCdTipoVenda, QString());
    QCOMPARE(m_listas,
             (QStringList{"cdsPais 2 S 16777215", "cdsPais 2 S 16777215", "cdsEstado 1 N 16777215",
                          "cdsPais 2 S 16777215", "cdsMunicipio 2 N 16777215",
                          "cdsBairro 1 N 16777215", "cdsTipoVenda 7 N 0"}));

    // An empty country: no state to offer.
    m_mensagens.clear();
    form->campo(cadcons::CodPais)->setCaption(QString());
    QTest::mouseClick(controle<kvt::ListButton>(*form, "dxfPesqEstado"), Qt::LeftButton);
    QCOMPARE(m_mensagens,
             QStringList{QStringLiteral("3 Não há estado cadastrado para o país informado.")});
}

void tst_Confirma::pesquisaOfereceTodos()
{
    auto form = abre(kAna, QString());
    QCOMPARE(form->edicao().estado.adqPesqConsumidor->recordCount(), 1);
    m_escolhas << QStringLiteral("NMCONSUMIDOR=PELO TELEFONE");
    tecla(*form, E::VK_F3);
    QCOMPARE(m_listas.size(), 1);
    QVERIFY2(m_listas.first().startsWith(QLatin1String("adqTodosCons 4 ")),
             qPrintable(m_listas.first()));
    QCOMPARE(form->edicao().estado.stConsumidor, QStringLiteral("000000000001133335555"));
    QCOMPARE(form->campo(cadcons::NmConsumidor)->caption(), QStringLiteral("PELO TELEFONE"));
    QCOMPARE(form->campo(cadcons::Telefone)->caption(), QStringLiteral("01133335555"));
    QCOMPARE(form->campo(cadcons::Referencia)->caption(), QStringLiteral("Ref PELO TELEFONE"));
    QCOMPARE(form->campo(cadcons::Cpf)->caption(), QString());
    // Chosen without a CPF, he is saved on his own row; his telephone is his own.
    completaEndereco(*form);
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});
    QCOMPARE(consumidor(QStringLiteral("1"), QStringLiteral("000000000001133335555"))
                 .value(QStringLiteral("DSENDECONS"))
                 .toString(),
             QStringLiteral("rua c"));
    // The list dialog shows what an operator searches by.
    const auto &campos = form->edicao().estado.adqPesqConsumidor->fields();
    QStringList visiveis;
    for (const kvt::FieldDef &f : campos) {
        if (!f.hidden)
            visiveis << f.label;
    }
    QVERIFY2(visiveis.contains(QStringLiteral("Nome")) &&
                 visiveis.contains(QStringLiteral("CPF")) && visiveis.size() < 12,
             qPrintable(visiveis.join(QLatin1Char(','))));

    // Another client's consumer chosen, given the number of the screen client's consumer of his
    // code: that one still counts.
    m_mensagens.clear();
    m_escolhas << QStringLiteral("NMCONSUMIDOR=BRUNO");
    auto outro = abre(kAna, QString());
    tecla(*outro, E::VK_F3);
    digita(*outro, 4, QString());
    digita(*outro, 7, QStringLiteral("11987654321"));
    completaEndereco(*outro);
    tecla(*outro, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Já existe um consumidor cadastrado com o "
                                                     "número de telefone informado.")});
}

void tst_Confirma::pesquisaNoDialogo()
{
    // The host's own list dialog: narrowed by a part of the name, the first digits of a
    // telephone or all of them, whichever list is behind it, and the row chosen with Enter fills
    // the screen.
    const auto entrega = [](const TfrmCadCons &f) {
        return controle<QLabel>(f, "lblEntrega")->text();
    };
    for (const QString texto :
         {QStringLiteral("bRú"), QStringLiteral("2199999"), QStringLiteral("21999990000")}) {
        exec(QStringLiteral(
            "UPDATE CONSUMIDOR SET CDBAIRRO = '0000000001' WHERE NMCONSUMIDOR = 'BRUNO'"));
        auto form = abre(kAna, QString());
        QCOMPARE(entrega(*form), QStringLiteral("Entrega: R$ 7,25 · 45 min"));
        int linhas = -1;
        Pesquisa = [&](kvt::DataSet &tabela, int, const QString &, int, int, int, int, int) {
            PesquisaDialog dialog(tabela, {});
            const QAbstractItemModelTester tester(
                dialog.view()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
            dialog.searchLine()->setText(texto);
            linhas = dialog.view()->model()->rowCount();
            QTest::keyClick(dialog.searchLine(), Qt::Key_Return);
            return dialog.result() == QDialog::Accepted;
        };
        tecla(*form, E::VK_F3);
        QCOMPARE(linhas, 1);
        QCOMPARE(form->campo(cadcons::NmConsumidor)->caption(), QStringLiteral("BRUNO"));
        QCOMPARE(form->edicao().estado.stConsumidor, QStringLiteral("000000000012345678909"));
        QCOMPARE(form->campo(cadcons::Telefone)->caption(), QStringLiteral("21999990000"));
        QCOMPARE(entrega(*form), QStringLiteral("Entrega: R$ 5,50 · 30 min"));
        // Another client's consumer is saved on his row, never on the screen client's.
        const QVariantMap ana = consumidor(QStringLiteral("1"), kAna);
        completaEndereco(*form);
        tecla(*form, E::VK_F2);
        QCOMPARE(consumidor(QStringLiteral("2"), kAna).value(QStringLiteral("DSENDECONS")),
                 QVariant(QStringLiteral("rua c")));
        QCOMPARE(consumidor(QStringLiteral("1"), kAna), ana);
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return runOverBothLists<tst_Confirma>(argc, argv);
}

#include "tst_confirma.moc"
