#include "db/Schema.h"
#include "db/tool/ConsumerGenerator.h"
#include "db/tool/ReferenceData.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// Cost of `kvt-db --consumers N` on SQLite, split into making the rows and storing them.
// Run by hand: bench_seed [-- rows], e.g. bench_seed 1000000.
class bench_Seed : public QObject
{
    Q_OBJECT

public:
    explicit bench_Seed(qint64 rows) : m_rows(rows) { }

private slots:
    void initTestCase();
    void generateOnly();
    void generateAndInsert();

private:
    qint64 m_rows;
    kvt::db::ReferenceData m_ref;
};

void bench_Seed::initTestCase()
{
    QString error;
    QVERIFY2(m_ref.load(error), qPrintable(error));
}

void bench_Seed::generateOnly()
{
    qint64 characters = 0;
    QBENCHMARK_ONCE {
        kvt::db::ConsumerGenerator generator(m_ref, 1);
        for (qint64 i = 0; i < m_rows; ++i)
            characters += generator.next().nome.size();
    }
    QVERIFY(characters > 0);
}

void bench_Seed::generateAndInsert()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(dir.filePath(QStringLiteral("bench.db")));
        QVERIFY(db.open());
        kvt::db::createSchema(db);
        QString error;
        QElapsedTimer timer;
        QBENCHMARK_ONCE {
            timer.start();
            QVERIFY(db.transaction());
            QVERIFY2(kvt::db::insertConsumers(db, m_ref, m_rows, 1, error), qPrintable(error));
            QVERIFY2(db.commit(), qPrintable(db.lastError().text()));
        }
        qInfo("%lld consumers in %lld ms", m_rows, timer.elapsed());
        QSqlQuery count(db);
        QVERIFY(count.exec(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR")) && count.next());
        QCOMPARE(count.value(0).toLongLong(), m_rows);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    qint64 rows = 100000;
    if (args.size() > 1 && args.last().toLongLong() > 0) {
        rows = args.takeLast().toLongLong();
    }
    bench_Seed bench(rows);
    return QTest::qExec(&bench, args);
}

#include "bench_seed.moc"
