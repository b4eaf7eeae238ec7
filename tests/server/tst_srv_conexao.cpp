#include "ServerTestBackend.h"

#include "db/Schema.h"
#include "host/HostZet.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"

// What the service answers when its statements fail or it has no connection.
class TstSrvConexao : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void statementErrors();
    void notConnected();
};

void TstSrvConexao::statementErrors()
{
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("DROP TABLE PAIS"));
    FIXTURE_EXEC(query, QStringLiteral("DROP TABLE CONSUMIDOR"));

    QVariant resultado;
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QVERIFY(!resultado.toString().isEmpty());

    QCOMPARE(getExisteConsumidor(QStringLiteral("1"), QStringLiteral("1"), QString(), resultado),
             0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);

    QCOMPARE(getMunicipioIBGE(QStringLiteral("3550308")).metaType().id(), QMetaType::QString);

    QCOMPARE(setInsereConsumidor(novoConsumidor(), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);

    QVERIFY_THROWS_EXCEPTION(kvt::Exception, vdConsPorTelExiste("1", "1133335555", "1133335555"));
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

void TstSrvConexao::notConnected()
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

KVT_SERVER_TEST_MAIN(TstSrvConexao)

#include "tst_srv_conexao.moc"
