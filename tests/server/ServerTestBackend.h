#pragma once

// Shared by the data-service tests: the fixture each test starts from, helpers that read the
// service's results, and the main() that runs a test once per configured backend.

#include "server/Srv_Kvt04410.h"
#include "toolkit/DataPacket.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

class QTemporaryDir;

// Runs a fixture statement and fails the test with the driver's text when it fails.
#define FIXTURE_EXEC(query, ...)                                                                   \
    do {                                                                                           \
        if (!(query).exec(__VA_ARGS__))                                                            \
            QFAIL(qPrintable(QStringLiteral("fixture statement failed: %1\n%2")                    \
                                 .arg((query).lastQuery(), (query).lastError().text())));          \
    } while (false)

QString ajusta21(const QString &digits);
kvt::PacketTable packetOf(const QVariant &resultado);
QStringList columnNames(const kvt::PacketTable &table);
// One column of every row, sorted: the statements request no order.
QStringList columnValues(const kvt::PacketTable &table, const QString &column);
QDate dateOf(const QVariant &value);
ConsumidorArgs novoConsumidor();

// The data service against one backend: every test starts from a fresh schema holding the
// reference rows and the registered consumers, with the service connected to it.
class ServerTestBackend : public QObject
{
    Q_OBJECT

public:
    // An empty connection string means a fresh SQLite file.
    ServerTestBackend(QString backend, QString connection);
    ~ServerTestBackend() override;

protected slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

protected:
    const QString &backend() const { return m_backend; }
    // The connection string of the backend, for another process.
    const QString &connection() const { return m_connection; }
    QSqlDatabase fixture() const;
    QList<QStringList> consumidorSnapshot() const;
    QVariantMap consumidor(const QString &cliente, const QString &codigo) const;
    // Leaves the service without its data module, as before the host connects it.
    void releaseService() { m_rdm.reset(); }

private:
    QString m_backend;
    QString m_connection;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<DataModuleScope> m_rdm;
};

// Calls run once per backend and adds up the failures it returns. Server backends run when the
// test script has started a server; on CI they must.
int runOnBackends(const std::function<int(const QString &backend, const QString &connection)> &run);

// Runs the test once per configured backend, and that over both kinds of consumer list (read
// from the database on demand, copied into memory), so both give the screen the same answers.
template <class TestClass> int runOverBothLists(int argc, char **argv)
{
    int failures = 0;
    for (const ListaConsumidores lista : {ListaConsumidores::Banco, ListaConsumidores::Memoria}) {
        setListaConsumidores(lista);
        qInfo("consumer list %s", lista == ListaConsumidores::Banco ? "database" : "in memory");
        failures += runOnBackends([&](const QString &backend, const QString &connection) {
            TestClass test(backend, connection);
            return QTest::qExec(&test, argc, argv);
        });
    }
    return failures;
}

#define KVT_SERVER_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        return runOnBackends([&](const QString &backend, const QString &connection) {              \
            TestClass test(backend, connection);                                                   \
            return QTest::qExec(&test, argc, argv);                                                \
        });                                                                                        \
    }
