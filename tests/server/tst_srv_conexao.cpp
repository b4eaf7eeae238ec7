#include "ServerTestBackend.h"

#include "db/Schema.h"
#include "host/HostZet.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"

// What the service answers when its statements fail or it has no connection.
class tst_SrvConexao : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void statementErrors();
    void notConnected();
};

void tst_SrvConexao::statementErrors()
{
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("DROP TABLE PAIS"));
    FIXTURE_EXEC(query, QStringLiteral("DROP TABLE CONSUMIDOR"));

    // The driver's own text comes back, naming the table it lacks: no other failure will do.
    const auto namesTable = [](const QVariant &erro, const char *tabela) {
        return erro.metaType().id() == QMetaType::QString &&
               erro.toString().contains(QLatin1String(tabela), Qt::CaseInsensitive);
    };
    QVariant resultado;
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QVERIFY2(namesTable(resultado, "PAIS"), qPrintable(resultado.toString()));
    QCOMPARE(getExisteConsumidor(QStringLiteral("1"), QStringLiteral("1"), QString(), resultado),
             0);
    QVERIFY2(namesTable(resultado, "CONSUMIDOR"), qPrintable(resultado.toString()));
    resultado = getMunicipioIBGE(QStringLiteral("3550308"));
    QVERIFY2(namesTable(resultado, "PAIS"), qPrintable(resultado.toString()));
    QCOMPARE(setInsereConsumidor(novoConsumidor(), resultado), 0);
    QVERIFY2(namesTable(resultado, "CONSUMIDOR"), qPrintable(resultado.toString()));
    try {
        vdConsPorTelExiste("1", "1133335555", "1133335555");
        QFAIL("no error without the table");
    } catch (const kvt::Exception &error) {
        QVERIFY2(namesTable(error.message(), "CONSUMIDOR"), qPrintable(error.message()));
    }
    QVERIFY(!GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")));

    // Tables back: the same statement objects work again.
    try {
        QSqlDatabase db = fixture();
        kvt::db::dropSchema(db);
        kvt::db::createSchema(db);
    } catch (const kvt::Exception &error) {
        QFAIL(qPrintable(error.message()));
    }
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QByteArray);
    QVERIFY(GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")));
}

void tst_SrvConexao::notConnected()
{
    releaseService();
    QVariant resultado;
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QCOMPARE(setInsereConsumidor(novoConsumidor(), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QVERIFY_THROWS_EXCEPTION(kvt::Exception, vdConsPorTelExiste("1", "1", "1"));
    QVERIFY(!GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")));

    // A connection string the host hands over that cannot be opened.
    setConnectionString(QStringLiteral("driver=QSQLITE;database=/nonexistent/kvt.db"));
    TrdmInsereConsumidor rdm;
    QVERIFY_THROWS_EXCEPTION(kvt::Exception, rdm.connectDatabase());
    QVERIFY(!rdm.connected());
}

KVT_SERVER_TEST_MAIN(tst_SrvConexao)

#include "tst_srv_conexao.moc"
