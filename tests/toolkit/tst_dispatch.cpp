#include "toolkit/Dispatch.h"

#include <QTest>

#include <stdexcept>

using namespace kvt;

namespace {

enum class Raise { Nothing, Abort, Exception, Database, Std, Int };

void raise(Raise kind)
{
    switch (kind) {
    case Raise::Nothing:
        return;
    case Raise::Abort:
        Abort();
    case Raise::Exception:
        throw Exception(QStringLiteral("Número de Cpf inválido."));
    case Raise::Database:
        throw EDatabaseError(QStringLiteral("cdsPais: Field 'CDPAIS' not found"));
    case Raise::Std:
        throw std::runtime_error("disk full");
    case Raise::Int:
        throw 42;
    }
}

class Receiver : public QObject
{
public:
    Raise kind = Raise::Nothing;
    void onSignal() { raise(kind); }
};

} // namespace

class tst_Dispatch : public QObject
{
    Q_OBJECT

private:
    QStringList m_shown;

private slots:
    void init()
    {
        m_shown.clear();
        setGeneralErrorHandler([this](const QString &message) { m_shown << message; });
    }
    void cleanup() { setGeneralErrorHandler({}); }

    void dispatch_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("no error") << int(Raise::Nothing) << QStringList{};
        QTest::newRow("silent abort") << int(Raise::Abort) << QStringList{};
        QTest::newRow("error text")
            << int(Raise::Exception) << QStringList{QStringLiteral("Número de Cpf inválido.")};
        QTest::newRow("data-set error")
            << int(Raise::Database) << QStringList{"cdsPais: Field 'CDPAIS' not found"};
        QTest::newRow("standard exception") << int(Raise::Std) << QStringList{"disk full"};
        QTest::newRow("unknown exception") << int(Raise::Int) << QStringList{"Erro desconhecido."};
    }

    void dispatch()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, shown);
        kvt::dispatch([&] { raise(Raise(kind)); });
        QCOMPARE(m_shown, shown);

        // Through a signal connection, as every event handler runs.
        m_shown.clear();
        QObject sender;
        Receiver receiver;
        receiver.kind = Raise(kind);
        bindHandler(&sender, &QObject::objectNameChanged, &receiver, &Receiver::onSignal);
        sender.setObjectName("x");
        QCOMPARE(m_shown, shown);
    }

    void failingHandlerFallsBackToTheLog()
    {
        setGeneralErrorHandler([](const QString &) { throw std::runtime_error("no screen"); });
        QTest::ignoreMessage(QtWarningMsg, "General error handler failed: no screen");
        QTest::ignoreMessage(QtWarningMsg, "lost text");
        kvt::dispatch([] { throw Exception(QStringLiteral("lost text")); });
    }

    void defaultHandlerWarns()
    {
        setGeneralErrorHandler({});
        QTest::ignoreMessage(QtWarningMsg, "Operação bloqueada.");
        kvt::dispatch([] { throw Exception(QStringLiteral("Operação bloqueada.")); });
    }
};

QTEST_MAIN(tst_Dispatch)
#include "tst_dispatch.moc"
