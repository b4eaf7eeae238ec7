#include "FormTestBackend.h"

#include "db/tool/ParametersFile.h"
#include "host/HostZet.h"
#include "toolkit/Dispatch.h"

#include <QDir>
#include <QTemporaryDir>

FormTestBackend::FormTestBackend(QString backend, QString connection)
    : ServerTestBackend(std::move(backend), std::move(connection))
{
}

FormTestBackend::~FormTestBackend() = default;

void FormTestBackend::initTestCase()
{
    ServerTestBackend::initTestCase();
    m_host = std::make_unique<QTemporaryDir>();
    QVERIFY(m_host->isValid());
    qputenv("KVT_HOST_DIR", m_host->path().toLocal8Bit());
}

void FormTestBackend::init()
{
    ServerTestBackend::init();
    QVERIFY(QDir(m_host->path()).removeRecursively());
    QVERIFY(QDir().mkpath(m_host->path()));
    kvt::db::writeParametersFile(m_host->path());
    m_mensagens.clear();
    m_aoMostrar = nullptr;
    setMensagemHandler([this](const QString &texto, int tipo) {
        m_mensagens << QString::number(tipo) + QLatin1Char(' ') + texto;
        if (m_aoMostrar)
            m_aoMostrar(texto);
    });
    kvt::setGeneralErrorHandler(
        [this](const QString &texto) { m_mensagens << QStringLiteral("ERROR ") + texto; });
}

void FormTestBackend::cleanup()
{
    setMensagemHandler({});
    ServerTestBackend::cleanup();
}

std::unique_ptr<TfrmCadCons> FormTestBackend::abre(const QString &consumidor, const QString &modo,
                                                   const QString &cliente)
{
    auto form = std::make_unique<TfrmCadCons>();
    form->InicializaForm({cliente, consumidor, QString(), modo});
    return form;
}

void FormTestBackend::exec(const QString &sql)
{
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, sql);
}
