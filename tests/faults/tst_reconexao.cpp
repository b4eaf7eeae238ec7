#include "../client/FormKeys.h"
#include "client/Cli_Kvt04410.h"
#include "db/Schema.h"
#include "host/HostZet.h"
#include "server/ConnectionString.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Exceptions.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// A PostgreSQL server that stops and starts again under an open screen.
class TstReconexao : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void servidorReiniciado();

private:
    bool pgCtl(const QStringList &argumentos);
    bool inicia();
    QString m_bin = QStringLiteral("/usr/lib/postgresql/15/bin");
    QTemporaryDir m_dir;
    int m_porta = 0;
    bool m_root = ::geteuid() == 0;
};

namespace {

using E = CadConsEdicao;

// The server refuses to run as root: as root it runs as the postgres user.
QProcess *comando(const QString &programa, const QStringList &argumentos, bool root)
{
    auto *p = new QProcess;
    if (root)
        p->start(QStringLiteral("runuser"),
                 QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                             programa} +
                     argumentos);
    else
        p->start(programa, argumentos);
    return p;
}

bool executa(const QString &programa, const QStringList &argumentos, bool root)
{
    std::unique_ptr<QProcess> p(comando(programa, argumentos, root));
    if (!p->waitForFinished(60000) || p->exitCode() != 0) {
        qWarning() << programa << argumentos << p->readAllStandardError()
                   << p->readAllStandardOutput();
        return false;
    }
    return true;
}

} // namespace

bool TstReconexao::pgCtl(const QStringList &argumentos)
{
    return executa(m_bin + QStringLiteral("/pg_ctl"),
                   QStringList{QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                               QStringLiteral("-w")} +
                       argumentos,
                   m_root);
}

bool TstReconexao::inicia()
{
    return pgCtl({QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                  QStringLiteral("-o"),
                  QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                      .arg(m_porta)
                      .arg(m_dir.path()),
                  QStringLiteral("start")});
}

void TstReconexao::initTestCase()
{
    if (!QFile::exists(m_bin + QStringLiteral("/initdb"))) {
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL("PostgreSQL 15 is required on CI");
        QSKIP("PostgreSQL 15 is not installed");
    }
    QVERIFY(m_dir.isValid());
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                            QFileDevice::ExeOther);
    if (m_root)
        QVERIFY(
            executa(QStringLiteral("chown"), {QStringLiteral("postgres:"), m_dir.path()}, false));
    QVERIFY(
        executa(m_bin + QStringLiteral("/initdb"),
                {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-U"),
                 QStringLiteral("postgres"), QStringLiteral("--auth=trust"),
                 QStringLiteral("--no-locale"), QStringLiteral("-E"), QStringLiteral("UTF8")},
                m_root));
    QTcpServer livre;
    QVERIFY(livre.listen(QHostAddress::LocalHost));
    m_porta = livre.serverPort();
    livre.close();
    QVERIFY(inicia());

    setConnectionString(QStringLiteral("driver=QPSQL;host=127.0.0.1;port=%1;database=postgres;"
                                       "user=postgres")
                            .arg(m_porta));
    {
        QSqlDatabase db = openDatabase(_GetStringConexZet(QString()), QStringLiteral("esquema"));
        kvt::db::createSchema(db);
        QSqlQuery q(db);
        for (const char *linha :
             {"INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'BRASIL')",
              "INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('1058', 'SP', 'SAO PAULO')",
              "INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE) "
              "VALUES ('1058', 'SP', '0001', 'Sao Paulo', '3550308')"})
            QVERIFY2(q.exec(QString::fromLatin1(linha)), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("esquema"));
}

void TstReconexao::cleanupTestCase()
{
    if (m_porta)
        pgCtl({QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
}

void TstReconexao::servidorReiniciado()
{
    QStringList mensagens;
    setMensagemHandler([&](const QString &texto, int) { mensagens << texto; });
    kvt::setGeneralErrorHandler([&](const QString &texto) { mensagens << texto; });

    const DataModuleScope dados;
    dados.module().connectDatabase();
    TfrmCadCons form;
    const struct
    {
        int campo;
        const char *texto;
    } campos[] = {{2, "joao"}, {4, "52998224725"}, {7, "11988887777"}, {11, "rua c"},
                  {12, "3"},   {14, "1058"},       {15, "sp"},         {16, "1"}};
    for (const auto &c : campos)
        digita(form, c.campo, QString::fromLatin1(c.texto));
    form.edicao().estado.stCdCliente = QStringLiteral("1");
    form.edicao().estado.stCdCusClie = QStringLiteral("CC");
    form.edicao().estado.adqPesqConsumidor =
        GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T"));
    QVERIFY(form.edicao().estado.adqPesqConsumidor);
    form.campoClick(15);
    tecla(form, E::VK_RETURN);
    QCOMPARE(form.edicao().inLblAtiv, 16);
    QVERIFY(mensagens.isEmpty());

    QVERIFY(pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")}));
    // While the server is down: one clear message per action, and the screen keeps what was
    // typed.
    form.campoClick(15);
    tecla(form, E::VK_RETURN);
    QCOMPARE(mensagens.size(), 1);
    QVERIFY2(mensagens.first().contains(QLatin1String("banco de dados")),
             qPrintable(mensagens.first()));
    QCOMPARE(form.edicao().inLblAtiv, 15);
    tecla(form, E::VK_F2);
    QCOMPARE(mensagens.size(), 2);
    QCOMPARE(form.campo(cadcons::NmConsumidor)->caption(), QStringLiteral("joao"));
    QCOMPARE(form.edicao().estado.stResult, QString());

    QVERIFY(inicia());
    // Back: the consumer list, the look-up and the save connect again on their own.
    mensagens.clear();
    form.campoClick(7);
    tecla(form, E::VK_RETURN);
    QVERIFY2(mensagens.isEmpty(), qPrintable(mensagens.join(QLatin1Char('\n'))));
    QCOMPARE(form.edicao().inLblAtiv, 8);
    form.campoClick(15);
    tecla(form, E::VK_RETURN);
    QVERIFY2(mensagens.isEmpty(), qPrintable(mensagens.join(QLatin1Char('\n'))));
    QCOMPARE(form.edicao().inLblAtiv, 16);
    tecla(form, E::VK_F2);
    QCOMPARE(mensagens, QStringList{QStringLiteral("Operação realizada com sucesso.")});
    QCOMPARE(form.edicao().estado.stResult, QStringLiteral("11988887777"));
    QSqlQuery q(QSqlDatabase::database(dados.module().connectionName()));
    QVERIFY(q.exec(QStringLiteral("SELECT NMCONSUMIDOR FROM CONSUMIDOR")) && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("joao"));

    // A restart nobody noticed: the consumer list's next read connects again on its own.
    QVERIFY(pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")}));
    QVERIFY(inicia());
    mensagens.clear();
    digita(form, 8, QStringLiteral("11977776666"));
    tecla(form, E::VK_RETURN);
    QVERIFY2(mensagens.isEmpty(), qPrintable(mensagens.join(QLatin1Char('\n'))));
    QCOMPARE(form.edicao().inLblAtiv, 9);

    setMensagemHandler({});
}

QTEST_MAIN(TstReconexao)
#include "tst_reconexao.moc"
