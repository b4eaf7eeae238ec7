#include "StoredRow.h"

#include "host/HostZet.h"
#include "tests/server/ServerTestBackend.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QThread>
#include <QUuid>

// A terminal killed at random moments while it saves: afterwards every consumer is stored
// whole or not at all, every save it reported is there, and the database opens cleanly.
class TstKillSave : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void mortoDuranteGravacoes();

private:
    // Runs a worker from `primeiro` and kills it after `espera` microseconds; the numbers it
    // reported saved.
    QList<int> mataDuranteGravacao(int primeiro, int espera);
    void confereLinhas(const QList<int> &salvos);
};

QList<int> TstKillSave::mataDuranteGravacao(int primeiro, int espera)
{
    QProcess worker;
    worker.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kvt_save_worker"),
                 {connection(), QString::number(primeiro), QStringLiteral("100000")});
    QByteArray saida;
    while (!saida.contains("READY\n")) {
        if (!worker.waitForReadyRead(30000)) {
            qWarning() << "worker did not start:" << worker.readAllStandardError();
            return {-1};
        }
        saida += worker.readAllStandardOutput();
    }
    QThread::usleep(ulong(espera));
    worker.kill();
    worker.waitForFinished();
    saida += worker.readAllStandardOutput();
    QList<int> salvos;
    static const QRegularExpression linha(QStringLiteral("^SAVED (\\d+)$"),
                                          QRegularExpression::MultilineOption);
    auto it = linha.globalMatch(QString::fromLatin1(saida));
    while (it.hasNext())
        salvos << it.next().captured(1).toInt();
    return salvos;
}

void TstKillSave::confereLinhas(const QList<int> &salvos)
{
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query,
                 QStringLiteral("SELECT * FROM CONSUMIDOR WHERE NMCONSUMIDOR LIKE 'CARGA %'"));
    QSet<int> encontrados;
    while (query.next()) {
        const int n = query.value(query.record().indexOf(QLatin1String("NMCONSUMIDOR")))
                          .toString()
                          .mid(6)
                          .toInt();
        encontrados.insert(n);
        const QString falta = divergencia(query, consumidorDeCarga(n));
        QVERIFY2(falta.isEmpty(), qPrintable(QStringLiteral("consumer %1 %2").arg(n).arg(falta)));
    }
    for (const int n : salvos)
        QVERIFY2(encontrados.contains(n), qPrintable(QStringLiteral("saved %1 is missing").arg(n)));
}

void TstKillSave::mortoDuranteGravacoes()
{
    if (backend() == QLatin1String("qodbc"))
        QSKIP("the same PostgreSQL server is covered through its native driver");
    const int rodadas = qEnvironmentVariableIntValue("KVT_KILL_ROUNDS") > 0
                            ? qEnvironmentVariableIntValue("KVT_KILL_ROUNDS")
                            : 100;
    QRandomGenerator acaso(20261208);
    QList<int> salvos;
    int proximo = 1;
    for (int rodada = 0; rodada < rodadas; ++rodada) {
        const QList<int> agora = mataDuranteGravacao(proximo, int(acaso.bounded(60000)));
        QVERIFY2(!agora.contains(-1), "the worker did not start");
        salvos += agora;
        // The consumer in flight may or may not be stored: the next round starts past it.
        proximo = (agora.isEmpty() ? proximo : agora.last() + 1) + 1;
    }
    QVERIFY2(salvos.size() > 0, "no save completed before any kill");
    qInfo("%d rounds, %lld saves reported before the kills", rodadas, qlonglong(salvos.size()));
    confereLinhas(salvos);

    if (backend() == QLatin1String("sqlite")) {
        const QString nome = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nome);
            db.setDatabaseName(connection().section(QStringLiteral("database="), 1));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
        }
        QSqlDatabase::removeDatabase(nome);
    }
}

KVT_SERVER_TEST_MAIN(TstKillSave)
#include "tst_killsave.moc"
