#pragma once

#include "client/Cli_Kvt04410.h"
#include "tests/server/ServerTestBackend.h"

#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryDir;

// The registration form against one backend of the data-service fixture: a host folder of its
// own, fresh for each test, with the demo terminal's parameters file; messages collected as
// "kind text" and uncaught errors as "ERROR text"; screens of client "1" of branch 0001.
class FormTestBackend : public ServerTestBackend
{
    Q_OBJECT

public:
    FormTestBackend(QString backend, QString connection);
    ~FormTestBackend() override;

protected slots:
    void initTestCase();
    void init();
    void cleanup();

protected:
    std::unique_ptr<TfrmCadCons> abre(const QString &consumidor = {},
                                      const QString &modo = QStringLiteral("NOVO"),
                                      const QString &cliente = QStringLiteral("1"));
    // Runs a statement on the fixture, failing the test when it fails.
    void exec(const QString &sql);

    std::unique_ptr<QTemporaryDir> m_host;
    QStringList m_mensagens;
    // Runs after each message is collected, while the message is "on screen".
    std::function<void(const QString &)> m_aoMostrar;
};

// main() of a form test: a widget application, the test once per configured backend.
#define KVT_FORM_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        return runOnBackends([&](const QString &backend, const QString &connection) {              \
            TestClass test(backend, connection);                                                   \
            return QTest::qExec(&test, argc, argv);                                                \
        });                                                                                        \
    }
