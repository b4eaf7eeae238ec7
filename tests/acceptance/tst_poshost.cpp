#include "PosHostRun.h"
#include "tests/CannedServer.h"

#include <QDate>
#include <QImage>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using poshost::Run;

// Acceptance scenarios: the reference host loads the built module and replays a script.
class tst_PosHost : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sairEndsWithResultSair_data();
    void sairEndsWithResultSair();
    void dumpListsEveryFieldAndTheScreenshotIsTheScreen();
    void scriptLeftOpenIsClosedByTheHost();
    void unreachableDatabase();
    void badScriptLinesAreReportedAndFailTheRun();
    void expectChecksWhetherTheScreenIsOpen_data();
    void expectChecksWhetherTheScreenIsOpen();
    void awaitHoldsTheScriptForALineOnStandardInput_data();
    void awaitHoldsTheScriptForALineOnStandardInput();
    void keysReachTheScreenAsAKeyboardSendsThem_data();
    void keysReachTheScreenAsAKeyboardSendsThem();
    void postalCodeFromTheWebServiceFillsTheAddress();
    void roundsInOneProcessEachStoreTheirConsumerAndKeepTheDescriptors();
    void consumerSearchShowsTheCpfMaskedAndCopiesItWhole();

private:
    Run run(const QString &script, const QStringList &args, const QString &connection = {})
    {
        return poshost::run(*m_db, script, args, connection);
    }
    QString scenario(const QString &name, const QString &screenshot = {})
    {
        return poshost::scenario(m_work.path(), name, screenshot);
    }
    // The demo's branch, reference data and parameters file, with that many consumers.
    bool loadDemo(int consumers)
    {
        QProcess tool;
        tool.start(QStringLiteral(KVT_DB_TOOL_PATH),
                   {QStringLiteral("--connection"), m_db->connection(), QStringLiteral("--demo"),
                    QStringLiteral("--consumers"), QString::number(consumers),
                    QStringLiteral("--parameters-file"), m_db->dir()});
        const bool ok = tool.waitForFinished(120000) && tool.exitCode() == 0;
        if (!ok)
            qWarning("%s", tool.readAllStandardError().constData());
        return ok;
    }

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_work;
};

void tst_PosHost::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->ok(), qPrintable(m_db->error()));
}

void tst_PosHost::sairEndsWithResultSair_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("retorno");
    QTest::newRow("new") << QStringList{QStringLiteral("1"), QString(),
                                        QStringLiteral("11999990000"), QStringLiteral("NOVO")}
                         << QStringLiteral("RETORNO");
    QTest::newRow("edit") << QStringList{QStringLiteral("1"), QStringLiteral("00042")}
                          << QStringLiteral("RETORNO 00042");
}

void tst_PosHost::sairEndsWithResultSair()
{
    QFETCH(QStringList, args);
    QFETCH(QString, retorno);
    const Run r = run(scenario(QStringLiteral("sair.replay")), args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, (QStringList{QStringLiteral("RESULT SAIR"), retorno}));
}

void tst_PosHost::dumpListsEveryFieldAndTheScreenshotIsTheScreen()
{
    const QString png = m_work.filePath(QStringLiteral("screen.png"));
    const Run r = run(scenario(QStringLiteral("dump.replay"), png), {QStringLiteral("1")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));

    const QStringList fields = r.lines.filter(QRegularExpression(QStringLiteral("^FIELD ")));
    QCOMPARE(fields.size(), 21);
    QVERIFY(fields.at(0).startsWith(QLatin1String("FIELD 1 bldCep")));
    QVERIFY(fields.at(17).startsWith(QLatin1String("FIELD 18 bldReferencia")));
    QVERIFY(fields.at(18).startsWith(QLatin1String("FIELD 0 bldNmPais")));
    QVERIFY(fields.at(20).startsWith(QLatin1String("FIELD 0 bldNmBairro")));
    QVERIFY(r.lines.contains(QStringLiteral("CURRENT 1")));
    // The postal code takes digits only: the letter and sign keys are disabled, the digits not.
    QCOMPARE(r.lines.filter(QRegularExpression(QStringLiteral("^KEYS disabled sbtQ .*sbtArroba$")))
                 .size(),
             1);
    QVERIFY(r.lines.contains(QStringLiteral("RESULT SAIR")));

    const QImage shot(png);
    QCOMPARE(shot.size(), QSize(800, 600));
}

void tst_PosHost::scriptLeftOpenIsClosedByTheHost()
{
    const QString script = m_work.filePath(QStringLiteral("empty.replay"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const Run r = run(script, {QStringLiteral("1"), QStringLiteral("7")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, (QStringList{QStringLiteral("RESULT SAIR"), QStringLiteral("RETORNO 7")}));
}

void tst_PosHost::unreachableDatabase()
{
    const Run r = run(scenario(QStringLiteral("sair.replay")), {QStringLiteral("1")},
                      QStringLiteral("driver=QSQLITE;database=/nonexistent/kvt.db"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.lines.size(), 3);
    QVERIFY(r.lines.at(0).startsWith(QLatin1String("MESSAGE 3 ")));
    QVERIFY(r.lines.at(0).contains(QLatin1String("/nonexistent/kvt.db")));
    QCOMPARE(r.lines.at(1), QStringLiteral("RESULT "));
    QCOMPARE(r.lines.at(2), QStringLiteral("RETORNO"));
    // The touch never happened, and the host says so.
    QVERIFY2(r.errors.contains(QLatin1String("1 script line(s) not run")), qPrintable(r.errors));
}

void tst_PosHost::badScriptLinesAreReportedAndFailTheRun()
{
    const Run r = run(scenario(QStringLiteral("bad-command.replay")), {QStringLiteral("1")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.errors.contains(QLatin1String("unknown command: jump around")));
    QVERIFY(r.errors.contains(QLatin1String("no control named noSuchControl")));
    QVERIFY(r.lines.contains(QStringLiteral("RESULT SAIR")));

    // Over rounds, one that failed fails the run though the last one passed.
    const Run rounds = run(poshost::script(m_work.path(), QStringLiteral("first-round.replay"),
                                           {QStringLiteral("touch edtTelefone{n}")}),
                           {QStringLiteral("--rounds"), QStringLiteral("2"), QStringLiteral("1")});
    QCOMPARE(rounds.exitCode, 1);
    QCOMPARE(rounds.errors.count(QLatin1String("no control named")), 1);
    QCOMPARE(rounds.lines.filter(QStringLiteral("RESULT SAIR")).size(), 2);
}

void tst_PosHost::expectChecksWhetherTheScreenIsOpen_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("lines"); // ERROR, RESULT and FIELD lines
    QTest::addColumn<int>("unrun");
    const QString sair = QStringLiteral("touch sbtSair");
    const QString open = QStringLiteral("expect open");
    const QString closed = QStringLiteral("expect closed");
    const QString dump = QStringLiteral("dump");
    const QString result = QStringLiteral("RESULT SAIR");
    QTest::newRow("open while it is open") << QStringList{open} << QStringList{result} << 0;
    QTest::newRow("closed while it is open: fails although the host closes it at the end")
        << QStringList{closed}
        << QStringList{QStringLiteral("ERROR expect closed: the screen is open"), result} << 0;
    QTest::newRow("closed after it closed")
        << QStringList{sair, closed} << QStringList{result} << 0;
    QTest::newRow("open after it closed")
        << QStringList{sair, open, dump}
        << QStringList{result, QStringLiteral("ERROR expect open: the screen is closed")} << 1;
    QTest::newRow("any other line after it closed never runs, nor what follows it")
        << QStringList{sair, closed, dump, closed} << QStringList{result} << 2;
}

void tst_PosHost::expectChecksWhetherTheScreenIsOpen()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, lines);
    QFETCH(int, unrun);
    const Run r = run(poshost::script(m_work.path(), QStringLiteral("expect.replay"), script),
                      {QStringLiteral("1")});
    QCOMPARE(
        poshost::matching(r.lines, QStringLiteral("^(ERROR|RESULT|FIELD)")).join(QLatin1Char('\n')),
        lines.join(QLatin1Char('\n')));
    QCOMPARE(r.exitCode,
             lines.filter(QRegularExpression(QStringLiteral("^ERROR"))).isEmpty() ? 0 : 1);
    if (unrun > 0)
        QVERIFY2(r.errors.contains(QStringLiteral("%1 script line(s) not run").arg(unrun)),
                 qPrintable(r.errors));
    else
        QVERIFY2(!r.errors.contains(QLatin1String("not run")), qPrintable(r.errors));
}

void tst_PosHost::awaitHoldsTheScriptForALineOnStandardInput_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QStringList>("errorLines");
    QTest::newRow("a line goes on") << QStringLiteral("line") << 60 << QStringList{};
    QTest::newRow("no line in time fails")
        << QStringLiteral("silent") << 1
        << QStringList{QStringLiteral("ERROR await: no line on standard input in time")};
    QTest::newRow("closed input fails at once")
        << QStringLiteral("closed") << 60
        << QStringList{QStringLiteral("ERROR await: standard input is closed")};
}

void tst_PosHost::awaitHoldsTheScriptForALineOnStandardInput()
{
    QFETCH(QString, input);
    QFETCH(int, seconds);
    QFETCH(QStringList, errorLines);
    const QString script =
        poshost::script(m_work.path(), QStringLiteral("await.replay"),
                        {QStringLiteral("await %1").arg(seconds), QStringLiteral("touch sbtSair")});
    QProcess process;
    process.setProcessEnvironment(poshost::environment(*m_db));
    poshost::start(process, script, {QStringLiteral("1")});
    QByteArray output;
    while (!output.contains("AWAIT\n") && process.waitForReadyRead(60000))
        output += process.readAllStandardOutput();
    QVERIFY2(output.contains("AWAIT\n"), output.constData());
    if (input == QLatin1String("line"))
        process.write("go on\n");
    else if (input == QLatin1String("closed"))
        process.closeWriteChannel();
    const Run r = poshost::finish(process, output);
    QCOMPARE(r.exitCode, errorLines.isEmpty() ? 0 : 1);
    QCOMPARE(poshost::matching(r.lines, QStringLiteral("^(AWAIT|ERROR|RESULT)")),
             QStringList{QStringLiteral("AWAIT")} + errorLines +
                 QStringList{QStringLiteral("RESULT SAIR")});
}

void tst_PosHost::keysReachTheScreenAsAKeyboardSendsThem_data()
{
    // What the screen receives from a US keyboard under X (xdotool on Xvfb), releases in the
    // order a person lets go; tst_realkeyboard compares the two on a real X server.
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("events");
    const auto k = [](const char *line) { return QStringLiteral("KEY ") + QLatin1String(line); };
    QTest::newRow("bare Shift") << QStringList{QStringLiteral("key Shift")}
                                << QStringList{k("press Shift+Shift"), k("release Shift")};
    QTest::newRow("an upper-case letter is typed with the Shift key down")
        << QStringList{QStringLiteral("type aA")}
        << QStringList{k("press A \"a\""),       k("release A \"a\""),       k("press Shift+Shift"),
                       k("press Shift+A \"A\""), k("release Shift+A \"A\""), k("release Shift")};
    QTest::newRow("Shift with the minus key is the underscore key")
        << QStringList{QStringLiteral("key Shift+Minus")}
        << QStringList{k("press Shift+Shift"), k("press Shift+_ \"_\""), k("release Shift+_ \"_\""),
                       k("release Shift")};
    QTest::newRow("Caps Lock inverts the case of letters until pressed again")
        << QStringList{QStringLiteral("key CapsLock"), QStringLiteral("type bB"),
                       QStringLiteral("key CapsLock"), QStringLiteral("type b")}
        << QStringList{k("press CapsLock"),        k("release CapsLock"),  k("press B \"B\""),
                       k("release B \"B\""),       k("press Shift+Shift"), k("press Shift+B \"b\""),
                       k("release Shift+B \"b\""), k("release Shift"),     k("press CapsLock"),
                       k("release CapsLock"),      k("press B \"b\""),     k("release B \"b\"")};
    QTest::newRow("Ctrl+Shift+Return") << QStringList{QStringLiteral("key Ctrl+Shift+Return")}
                                       << QStringList{k("press Ctrl+Control"),
                                                      k("press Ctrl+Shift+Shift"),
                                                      k("press Ctrl+Shift+Return \"\\x0d\""),
                                                      k("release Ctrl+Shift+Return \"\\x0d\""),
                                                      k("release Ctrl+Shift"),
                                                      k("release Control")};
    // F3 opens the consumer search: `cancel` answers it.
    QStringList functionKeys{QStringLiteral("cancel")};
    QStringList functionEvents;
    for (int n = 1; n <= 12; ++n) {
        functionKeys.append(QStringLiteral("key F%1").arg(n));
        functionEvents.append(QStringLiteral("KEY press F%1").arg(n));
        functionEvents.append(QStringLiteral("KEY release F%1").arg(n));
    }
    QTest::newRow("F1 to F12") << functionKeys << functionEvents;
    QTest::newRow("Alt+F4") << QStringList{QStringLiteral("key Alt+F4")}
                            << QStringList{k("press Alt+Alt"), k("press Alt+F4"),
                                           k("release Alt+F4"), k("release Alt")};
}

void tst_PosHost::keysReachTheScreenAsAKeyboardSendsThem()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, events);
    const Run r = run(poshost::script(m_work.path(), QStringLiteral("keys.replay"),
                                      QStringList{QStringLiteral("keylog on")} + script),
                      {QStringLiteral("1")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    // The host's own Escape at the end is not part of the script's keys.
    QStringList received = poshost::matching(r.lines, QStringLiteral("^KEY "));
    while (!received.isEmpty() && received.last().contains(QLatin1String(" Esc ")))
        received.removeLast();
    QCOMPARE(received, events);
}

void tst_PosHost::postalCodeFromTheWebServiceFillsTheAddress()
{
    // Only the municipality is registered: the neighbourhood the service names is not.
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reference"));
        db.setDatabaseName(m_db->connection().section(QLatin1Char('='), -1));
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const char *row :
             {"INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'BRASIL')",
              "INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('1058', 'SP', 'SAO PAULO')",
              "INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE) "
              "VALUES ('1058', 'SP', '0001', 'Sao Paulo', '3550308')"})
            QVERIFY2(query.exec(QString::fromLatin1(row)), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reference"));

    CannedServer service(httpAnswer("200 OK", "application/json; charset=utf-8",
                                    R"({"cep": "04500-000", "logradouro": "Pra\u00e7a da S\u00e9",)"
                                    R"( "bairro": "Moema", "localidade": "S\u00e3o Paulo",)"
                                    R"( "uf": "SP", "ibge": "3550308"})"));
    QVERIFY(service.listen());
    const QString script = poshost::script(
        m_work.path(), QStringLiteral("cep.replay"),
        {QStringLiteral("type 04500000"), QStringLiteral("key Return"), QStringLiteral("dump")});
    QProcess process;
    QProcessEnvironment env = poshost::environment(*m_db);
    env.insert(QStringLiteral("KVT_CEP_URL"), service.url());
    process.setProcessEnvironment(env);
    poshost::start(process, script, {QStringLiteral("1")});
    process.closeWriteChannel();
    // The stand-in answers from this test's event loop while the host waits for it.
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 120000);
    const QStringList lines = poshost::outputLines(process.readAllStandardOutput());

    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardError().constData());
    QVERIFY(service.request().startsWith("GET /ws/04500000/json/ HTTP/1.1\r\n"));
    QCOMPARE(
        poshost::matching(lines, QStringLiteral("^(FIELD (1[1-7]|0) |MESSAGE|ERROR)")),
        (QStringList{
            QStringLiteral("FIELD 11 edtEndereco Praça da Sé"),
            QStringLiteral("FIELD 12 edtNumero "), QStringLiteral("FIELD 13 bldComplemento "),
            QStringLiteral("FIELD 14 edtCodPais 1058"), QStringLiteral("FIELD 15 edtEstado SP"),
            QStringLiteral("FIELD 16 edtCodMuni 0001"), QStringLiteral("FIELD 17 edtBairro "),
            QStringLiteral("FIELD 0 bldNmPais BRASIL"),
            QStringLiteral("FIELD 0 bldNmMuni Sao Paulo"),
            QStringLiteral("FIELD 0 bldNmBairro ")}));
    QFile log(QDir(m_db->dir())
                  .filePath(QStringLiteral("dados/logCep/logCep%1.txt")
                                .arg(QDate::currentDate().toString(QStringLiteral("ddMMyyyy")))));
    QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(log.fileName()));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(QStringLiteral(" - URL: %1/ws/04500000/json/\r\n").arg(service.url())),
             qPrintable(text));
    QVERIFY2(text.contains(QLatin1String(" - Response: {\"cep\": \"04500-000\"")),
             qPrintable(text));
}

void tst_PosHost::roundsInOneProcessEachStoreTheirConsumerAndKeepTheDescriptors()
{
    QVERIFY(loadDemo(0));

    const int rounds = 50;
    QProcess process;
    process.setProcessEnvironment(poshost::environment(*m_db));
    poshost::start(process, scenario(QStringLiteral("rounds.replay")),
                   {QStringLiteral("--rounds"), QString::number(rounds), QStringLiteral("0001"),
                    QString(), QString(), QStringLiteral("NOVO")});
    // Every round holds at its `await` with the screen open; its descriptors are counted there.
    QList<qsizetype> descriptors;
    QByteArray output;
    while (descriptors.size() < rounds && process.waitForReadyRead(60000)) {
        output += process.readAllStandardOutput();
        while (output.count("AWAIT\n") > descriptors.size()) {
            descriptors.append(QDir(QStringLiteral("/proc/%1/fd").arg(process.processId()))
                                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                                   .size());
            process.write("\n");
        }
    }
    // Under the sanitizer build a leak fails the exit code.
    const Run r = poshost::finish(process, output);
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QStringList results, consumers, stored;
    for (int n = 1; n <= rounds; ++n) {
        results.append(QStringLiteral("RESULT 1190000%1").arg(n));
        consumers.append(QStringLiteral("1190000%1 Rodada %1").arg(n));
    }
    QCOMPARE(poshost::matching(r.lines, QStringLiteral("^RESULT ")), results);
    QVERIFY2(QRegularExpression(QStringLiteral("^ROUNDS 50 rss=[1-9][0-9]* fds=[0-9]+$"))
                 .match(r.lines.value(r.lines.size() - 1))
                 .hasMatch(),
             qPrintable(r.lines.join(QLatin1Char('\n'))));
    // The first round opens what a process opens once; no later one holds more.
    QCOMPARE(descriptors.size(), qsizetype(rounds));
    QCOMPARE(*std::max_element(descriptors.cbegin() + 1, descriptors.cend()), descriptors.at(1));

    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rounds"));
        db.setDatabaseName(m_db->connection().section(QLatin1Char('='), -1));
        QVERIFY(db.open());
        QSqlQuery query(QStringLiteral("SELECT NRTELECONS, NMCONSUMIDOR FROM CONSUMIDOR"), db);
        while (query.next())
            stored.append(query.value(0).toString() + QLatin1Char(' ') + query.value(1).toString());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("rounds"));
    stored.sort();
    consumers.sort();
    QCOMPARE(stored, consumers);
}

void tst_PosHost::consumerSearchShowsTheCpfMaskedAndCopiesItWhole()
{
    QVERIFY(loadDemo(30));
    QString cpf, nome;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cpf"));
        db.setDatabaseName(m_db->connection().section(QLatin1Char('='), -1));
        QVERIFY(db.open());
        QSqlQuery query(
            QStringLiteral("SELECT CO.NRCPFRESPCON, CO.NMCONSUMIDOR FROM CONSUMIDOR CO, "
                           "CLIENFILIAL CF WHERE CF.CDCLIENTE = CO.CDCLIENTE AND "
                           "CF.CDFILIAL = '0001' AND CF.IDPERMVENDAZET = 'S' ORDER BY 1"),
            db);
        QVERIFY(query.next());
        cpf = query.value(0).toString();
        nome = query.value(1).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cpf"));

    // The operator types the CPF's first digits; the list shows its middle ones only.
    const Run r = run(poshost::script(m_work.path(), QStringLiteral("cpf.replay"),
                                      {QStringLiteral("look ") + cpf.left(6),
                                       QStringLiteral("pick NRCPFRESPCON=") + cpf,
                                       QStringLiteral("key F3"), QStringLiteral("dump")}),
                      {QStringLiteral("0001")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    const QStringList shown = poshost::matching(r.lines, QStringLiteral("^SHOWN "));
    QCOMPARE(shown.first(), QStringLiteral("SHOWN HEADER Nome|CPF|Telefone|Endereço|Bairro|Nº"));
    const QString masked = QStringLiteral("|***.%1.%2-**|").arg(cpf.mid(3, 3), cpf.mid(6, 3));
    QVERIFY2(shown.join(QLatin1Char('\n')).contains(QStringLiteral("SHOWN ROW ") + nome + masked),
             qPrintable(shown.join(QLatin1Char('\n'))));
    QVERIFY(!shown.join(QLatin1Char('\n')).contains(cpf));
    QCOMPARE(shown.last(), QStringLiteral("SHOWN SCROLLBAR none"));
    QVERIFY(r.lines.contains(QStringLiteral("FIELD 4 edtCpf ") + cpf));
}

QTEST_GUILESS_MAIN(tst_PosHost)
#include "tst_poshost.moc"
