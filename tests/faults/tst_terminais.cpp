#include "StoredRow.h"

#include "host/HostZet.h"
#include "server/ConnectionString.h"
#include "tests/server/ServerTestBackend.h"
#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSet>
#include <QSqlRecord>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <memory>
#include <vector>

// Many terminals on one database: a consumer two terminals save at once ends as one row, and
// every save a terminal reports is stored whole.
class TstTerminais : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void gravadoPorOutroDuranteAGravacao_data();
    void gravadoPorOutroDuranteAGravacao();
    void sqliteEsperaPelaTrava();
    void sqliteDesisteDaTravaPresaDemais();
    void sqliteDoisTerminais();
    void cinquentaTerminais();

private:
    std::unique_ptr<QProcess> iniciaTerminal(const QStringList &numeros);
    // Terminals in pairs, each pair confirming its shared consumers at the same moment and each
    // terminal its own ones too; checks the stored rows against what every terminal reported.
    void rodaTerminais(int terminais, int rodadas);
    // Holds SQLite's write lock with an uncommitted consumer through the fixture connection.
    void travaArquivo();
    // A terminal told to save while this test holds the file's write lock; null on failure.
    std::unique_ptr<QProcess> terminalDianteDaTrava();
};

namespace {

const QString kTravaNome = QStringLiteral("TRAVA DO TESTE");

// The row another terminal writes for `a`.
bool insereComoOutroTerminal(QSqlDatabase &db, const ConsumidorArgs &a, const QString &nome)
{
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral(
            "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, NRCPFRESPCON, "
            "NRTELECONS, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, IDATUCONSUMI, IDSITCONSUMI, "
            "IDIMPCPFCUPOM, CDIDCONSUMID, CDTIPOCONS) VALUES (:C, :K, :N, :CPF, :T, '1058', 'SP', "
            "'0001', '0000000001', 'I', '1', 'S', 'ID', '01')"))) {
        qWarning() << query.lastError().text();
        return false;
    }
    query.bindValue(QStringLiteral(":C"), a.P_CDCLIENTE);
    query.bindValue(QStringLiteral(":K"), codigoDe(a));
    query.bindValue(QStringLiteral(":N"), nome);
    query.bindValue(QStringLiteral(":CPF"), a.P_NRCPFRESPCONS);
    query.bindValue(QStringLiteral(":T"), SoNumerosStr(a.P_NRTELECONS));
    if (!query.exec()) {
        qWarning() << query.lastError().text();
        return false;
    }
    return true;
}

int contaConsumidores(const QSqlDatabase &db, const QString &where)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE ") + where) ||
        !query.next()) {
        qWarning() << query.lastError().text();
        return -1;
    }
    return query.value(0).toInt();
}

struct Linha
{
    QString passo;
    int numero = 0;
    qint64 ms = 0;
    QString resto;
};

QList<Linha> linhasDe(const QByteArray &saida)
{
    static const QRegularExpression forma(QStringLiteral("^(\\w+) (\\d+) ?(.*)$"));
    QList<Linha> linhas;
    for (const QByteArray &texto : saida.split('\n')) {
        const auto m = forma.match(QString::fromUtf8(texto));
        if (m.hasMatch())
            linhas.append(
                {m.captured(1), m.captured(2).toInt(), m.captured(3).toLongLong(), m.captured(3)});
    }
    return linhas;
}

} // namespace

void TstTerminais::gravadoPorOutroDuranteAGravacao_data()
{
    QTest::addColumn<bool>("comCpf");
    QTest::addColumn<bool>("telefoneComMascara");
    QTest::addColumn<bool>("recusado");
    // The duplicate rule matches the telephone as passed, so only the unmasked one is "the same".
    QTest::newRow("cpf, telefone como a tela") << true << true << true;
    QTest::newRow("cpf, telefone em digitos") << true << false << false;
    QTest::newRow("sem cpf") << false << true << true;
}

// The other terminal's insert is not yet visible when this save looks, and commits while it
// waits: the save must neither break on the key nor store the consumer a second time.
void TstTerminais::gravadoPorOutroDuranteAGravacao()
{
    QFETCH(bool, comCpf);
    QFETCH(bool, telefoneComMascara);
    QFETCH(bool, recusado);
    ConsumidorArgs a = consumidorDeCarga(7);
    if (!comCpf)
        a.P_NRCPFRESPCONS.clear();
    if (!telefoneComMascara)
        a.P_NRTELECONS = SoNumerosStr(a.P_NRTELECONS);

    QSemaphore inserido;
    QString erroDoOutro;
    std::unique_ptr<QThread> outro(QThread::create([&] {
        const QString nome = QUuid::createUuid().toString();
        try {
            QSqlDatabase db = openDatabase(connection(), nome);
            SetADODBSession(db);
            if (!db.transaction() || !insereComoOutroTerminal(db, a, QStringLiteral("OUTRO"))) {
                erroDoOutro = QStringLiteral("insert failed");
                inserido.release();
            } else {
                inserido.release();
                QThread::msleep(1000);
                if (!db.commit())
                    erroDoOutro = db.lastError().text();
            }
        } catch (const kvt::Exception &e) {
            erroDoOutro = e.message();
            inserido.release();
        }
        QSqlDatabase::removeDatabase(nome);
    }));
    outro->start();
    inserido.acquire();

    QVariant resultado;
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    outro->wait();
    QVERIFY2(erroDoOutro.isEmpty(), qPrintable(erroDoOutro));
    QCOMPARE(resultado.toString(), recusado ? consumidorJaCadastrado(codigoDe(a)) : QString());

    QCOMPARE(contaConsumidores(fixture(), QStringLiteral("CDCONSUMIDOR = '%1'").arg(codigoDe(a))),
             1);
    QCOMPARE(consumidor(a.P_CDCLIENTE, codigoDe(a)).value(QStringLiteral("NMCONSUMIDOR")),
             QVariant(QStringLiteral("OUTRO")));
}

std::unique_ptr<QProcess> TstTerminais::iniciaTerminal(const QStringList &numeros)
{
    auto terminal = std::make_unique<QProcess>();
    terminal->start(QCoreApplication::applicationDirPath() + QStringLiteral("/kvt_save_worker"),
                    {QStringLiteral("--terminal"), connection(), numeros.join(QLatin1Char(','))});
    return terminal;
}

void TstTerminais::travaArquivo()
{
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("BEGIN IMMEDIATE"));
    const ConsumidorArgs trava = consumidorDeCarga(900);
    QSqlDatabase db = fixture();
    QVERIFY(insereComoOutroTerminal(db, trava, kTravaNome));
}

std::unique_ptr<QProcess> TstTerminais::terminalDianteDaTrava()
{
    std::unique_ptr<QProcess> terminal = iniciaTerminal({QStringLiteral("1")});
    if (!terminal->waitForReadyRead(60000)) {
        QTest::qFail("the terminal did not start", __FILE__, __LINE__);
        return nullptr;
    }
    travaArquivo();
    if (QTest::currentTestFailed())
        return nullptr;
    terminal->write("GO\n");
    if (!terminal->waitForBytesWritten(10000)) {
        QTest::qFail("the terminal was not told to save", __FILE__, __LINE__);
        return nullptr;
    }
    return terminal;
}

// A terminal that finds the file locked by another one's save waits for it instead of failing.
void TstTerminais::sqliteEsperaPelaTrava()
{
    if (backend() != QLatin1String("sqlite"))
        QSKIP("SQLite's own lock");
    const std::unique_ptr<QProcess> terminal = terminalDianteDaTrava();
    if (!terminal)
        return;
    // The terminal meets the lock while it is held; a terminal that gave up at once has failed.
    QThread::msleep(1000);
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("COMMIT"));
    QVERIFY(terminal->waitForFinished(60000));
    const QByteArray saida = terminal->readAllStandardOutput();
    QVERIFY2(terminal->exitCode() == 0, saida.constData());
    QVERIFY2(saida.contains("SAVED 1 ") && saida.contains("EDITED 1 "), saida.constData());
    QCOMPARE(contaConsumidores(fixture(), QStringLiteral("NMCONSUMIDOR = '%1'").arg(kTravaNome)),
             1);
}

// The wait is bounded: a lock that is never released ends the save with an error, no row.
void TstTerminais::sqliteDesisteDaTravaPresaDemais()
{
    if (backend() != QLatin1String("sqlite"))
        QSKIP("SQLite's own lock");
    const std::unique_ptr<QProcess> terminal = terminalDianteDaTrava();
    if (!terminal)
        return;
    const bool terminou = terminal->waitForFinished(60000);
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("ROLLBACK"));
    QVERIFY2(terminou, "the terminal still waits for the lock");
    const QByteArray saida = terminal->readAllStandardOutput();
    QVERIFY2(saida.contains("ERROR 1 ") && saida.contains("locked"), saida.constData());
    QCOMPARE(contaConsumidores(fixture(), QStringLiteral("NMCONSUMIDOR LIKE 'CARGA %'")), 0);
}

void TstTerminais::sqliteDoisTerminais()
{
    if (backend() != QLatin1String("sqlite"))
        QSKIP("two processes on one SQLite file");
    rodaTerminais(2, 20);
}

void TstTerminais::cinquentaTerminais()
{
    if (backend() != QLatin1String("qpsql"))
        QSKIP("the load runs against the PostgreSQL server");
    const int terminais = qEnvironmentVariableIntValue("KVT_LOAD_TERMINALS") > 0
                              ? qEnvironmentVariableIntValue("KVT_LOAD_TERMINALS")
                              : 50;
    const int rodadas = qEnvironmentVariableIntValue("KVT_LOAD_ROUNDS") > 0
                            ? qEnvironmentVariableIntValue("KVT_LOAD_ROUNDS")
                            : 4;
    rodaTerminais(terminais, rodadas);
}

void TstTerminais::rodaTerminais(int terminais, int rodadas)
{
    // Pair p shares 100000 + 100p + r; terminal t owns 200000 + 100t + r.
    QHash<int, QList<int>> terminaisDe;
    std::vector<std::unique_ptr<QProcess>> processos;
    for (int t = 0; t < terminais; ++t) {
        QStringList numeros;
        for (int r = 0; r < rodadas; ++r) {
            const int comum = 100000 + 100 * (t / 2) + r;
            const int proprio = 200000 + 100 * t + r;
            numeros << QString::number(comum) + QLatin1Char('p') << QString::number(proprio);
            terminaisDe[comum] << t;
            terminaisDe[proprio] << t;
        }
        processos.push_back(iniciaTerminal(numeros));
    }
    for (const auto &processo : processos) {
        while (!processo->canReadLine()) {
            QVERIFY2(
                processo->waitForReadyRead(120000),
                qPrintable(QStringLiteral("a terminal did not start: %1")
                               .arg(QString::fromLocal8Bit(processo->readAllStandardError()))));
        }
        QCOMPARE(processo->readLine(), QByteArray("READY\n"));
    }

    // Each terminal's lines as they come. The terminals holding a shared consumer confirm it
    // together once all of them have passed the checks, as two operators pressing F2 at once.
    QList<Linha> linhas;
    QHash<int, QList<QProcess *>> conferiram;
    QHash<int, int> chegaram;
    QHash<QProcess *, QString> erros;
    QString falha;
    int terminados = 0;
    QEventLoop laco;
    const auto le = [&](QProcess *processo) {
        while (processo->canReadLine()) {
            for (const Linha &linha : linhasDe(processo->readLine())) {
                linhas.append(linha);
                if (linha.passo == QLatin1String("ERROR"))
                    erros[processo] += QStringLiteral("%1 %2\n").arg(linha.numero).arg(linha.resto);
                const int n = linha.numero;
                if (linha.passo == QLatin1String("CHECKED"))
                    conferiram[n] << processo;
                if (linha.passo == QLatin1String("CHECKED") ||
                    (linha.passo == QLatin1String("FOUND") && terminaisDe.value(n).size() > 1)) {
                    if (++chegaram[n] == terminaisDe.value(n).size()) {
                        for (QProcess *parceiro : conferiram.value(n))
                            parceiro->write("GO\n");
                    }
                }
            }
        }
    };
    for (const auto &processo : processos) {
        QProcess *p = processo.get();
        connect(p, &QProcess::readyReadStandardOutput, &laco, [&, p] { le(p); });
        connect(p, &QProcess::finished, &laco, [&, p](int codigo) {
            le(p);
            if (codigo != 0) {
                falha = QStringLiteral("a terminal ended with %1: %2%3")
                            .arg(codigo)
                            .arg(erros.value(p), QString::fromLocal8Bit(p->readAllStandardError()));
                laco.quit();
            } else if (++terminados == int(processos.size())) {
                laco.quit();
            }
        });
    }
    QTimer::singleShot(600000, &laco, [&] {
        falha = QStringLiteral("the terminals did not finish");
        laco.quit();
    });

    QElapsedTimer relogio;
    relogio.start();
    for (const auto &processo : processos)
        processo->write("GO\n");
    laco.exec();
    const double segundos = double(relogio.nsecsElapsed()) / 1e9;
    QVERIFY2(falha.isEmpty(), qPrintable(falha));

    // What the terminals said of each consumer.
    QHash<int, QStringList> passos;
    QSet<int> editados;
    int gravacoes = 0;
    Linha maisLenta;
    for (const Linha &linha : std::as_const(linhas)) {
        passos[linha.numero] << linha.passo;
        if (linha.passo == QLatin1String("EDITED"))
            editados.insert(linha.numero);
        if (linha.passo == QLatin1String("SAVED") || linha.passo == QLatin1String("EDITED") ||
            linha.passo == QLatin1String("REFUSED")) {
            ++gravacoes;
            if (linha.ms >= maisLenta.ms)
                maisLenta = linha;
        }
    }

    QSqlQuery query(fixture());
    FIXTURE_EXEC(query,
                 QStringLiteral("SELECT * FROM CONSUMIDOR WHERE NMCONSUMIDOR LIKE 'CARGA %'"));
    QHash<int, int> guardados;
    while (query.next()) {
        const int n = query.value(query.record().indexOf(QLatin1String("NMCONSUMIDOR")))
                          .toString()
                          .section(QLatin1Char(' '), 1, 1)
                          .toInt();
        ++guardados[n];
        const QString falta = divergencia(query, editados.contains(n) ? consumidorEditado(n)
                                                                      : consumidorDeTerminal(n));
        QVERIFY2(falta.isEmpty(), qPrintable(QStringLiteral("consumer %1 %2").arg(n).arg(falta)));
    }

    int emPar = 0;
    for (auto it = terminaisDe.cbegin(); it != terminaisDe.cend(); ++it) {
        const int n = it.key();
        const QStringList &disse = passos.value(n);
        const QString relato = QStringLiteral("consumer %1 stored %2 times; the terminals said %3")
                                   .arg(n)
                                   .arg(guardados.value(n))
                                   .arg(disse.join(QLatin1Char(' ')));
        QVERIFY2(guardados.value(n) == 1, qPrintable(relato));
        // Every terminal passed the checks; one saved it and the others were told, since the
        // telephone the screen passes never meets the duplicate rule.
        QVERIFY2(disse.count(QStringLiteral("SAVED")) == 1 &&
                     disse.count(QStringLiteral("REFUSED")) == it.value().size() - 1,
                 qPrintable(relato));
        if (it.value().size() > 1)
            ++emPar;
    }
    // One person, one row, whatever the code was made from.
    QCOMPARE(contaConsumidores(fixture(), QStringLiteral("NMCONSUMIDOR LIKE 'CARGA %'")),
             int(terminaisDe.size()));

    qInfo("%d terminals, %d consumers (%d confirmed by two terminals at once), %d saves in "
          "%.1f s: %.1f saves/s, slowest save %lld ms (%s %d)",
          terminais, int(terminaisDe.size()), emPar, gravacoes, segundos, gravacoes / segundos,
          maisLenta.ms, qPrintable(maisLenta.passo), maisLenta.numero);
}

KVT_SERVER_TEST_MAIN(TstTerminais)
#include "tst_terminais.moc"
