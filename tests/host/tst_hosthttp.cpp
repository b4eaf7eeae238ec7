#include "host/HostZet.h"
#include "tests/CannedServer.h"

#include <QBuffer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QByteArray kJson = "{\n  \"cep\": \"01001-000\",\n  \"localidade\": \"S\xc3\xa3o Paulo\"\n}";

} // namespace

class tst_HostHttp : public QObject
{
    Q_OBJECT

private slots:
    void answered_data();
    void answered();
    void failuresWithoutStatus_data();
    void failuresWithoutStatus();
    void postSendsBody();
    void cutTransferIsNoSuccess();
    void silentServerTimesOut();
    void refusedPort();
};

void tst_HostHttp::answered_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");      // element 1
    QTest::addColumn<QByteArray>("body");   // what the response device receives
    QTest::addColumn<QByteArray>("header"); // a line the header device must hold

    QTest::newRow("200 json") << httpAnswer("200 OK", "application/json; charset=utf-8", kJson)
                              << 200 << QString::fromUtf8(kJson) << kJson
                              << QByteArray("Content-Type: application/json; charset=utf-8\r\n");
    QTest::newRow("200 without charset is utf-8")
        << httpAnswer("200 OK", "application/json", kJson) << 200 << QString::fromUtf8(kJson)
        << kJson << QByteArray("Content-Length: ") + QByteArray::number(kJson.size()) + "\r\n";
    QTest::newRow("200 windows-1252")
        << httpAnswer("200 OK", "text/plain; charset=windows-1252", "S\xe3o Jo\xe3o \x80") << 200
        << QStringLiteral("São João €") << QByteArray("S\xe3o Jo\xe3o \x80")
        << QByteArray("Content-Type: text/plain; charset=windows-1252\r\n");
    QTest::newRow("200 empty body") << httpAnswer("200 OK", {}, {}) << 200 << QString()
                                    << QByteArray() << QByteArray("Content-Length: 0\r\n");
    QTest::newRow("404 with body")
        << httpAnswer("404 Not Found", "text/html", "<h1>nada</h1>") << 404
        << QStringLiteral("<h1>nada</h1>") << QByteArray("<h1>nada</h1>")
        << QByteArray("Content-Type: text/html\r\n");
    QTest::newRow("400 without body") << httpAnswer("400 Bad Request", {}, {}) << 400 << QString()
                                      << QByteArray() << QByteArray("Connection: close\r\n");
}

void tst_HostHttp::answered()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, header);

    CannedServer server(answer);
    QVERIFY(server.listen());
    QBuffer cepHeader;
    QBuffer cepResponse;

    const QVariantList arCep =
        RequisicaoHTTP(server.url(QStringLiteral("/ws/01001000/json/")), QStringLiteral("TEXT"),
                       QStringLiteral("GET"), &cepHeader, nullptr, &cepResponse,
                       QStringLiteral("30"))
            .toList();

    QCOMPARE(arCep.size(), 2);
    QCOMPARE(arCep.at(0).toInt(), status);
    if (status == 200 || !body.isEmpty())
        QCOMPARE(arCep.at(1).toString(), text);
    else
        QVERIFY2(!arCep.at(1).toString().isEmpty(), "a failed request needs an error text");
    QCOMPARE(cepResponse.data(), body);
    QVERIFY2(cepHeader.data().contains(header), cepHeader.data().constData());
    QVERIFY(server.request().startsWith("GET /ws/01001000/json/ HTTP/1.1\r\n"));
}

void tst_HostHttp::failuresWithoutStatus_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("method");

    QTest::newRow("not a url") << QStringLiteral("::not a url::") << QStringLiteral("GET");
    QTest::newRow("empty url") << QString() << QStringLiteral("GET");
    QTest::newRow("file scheme") << QStringLiteral("file:///etc/passwd") << QStringLiteral("GET");
    QTest::newRow("ftp scheme") << QStringLiteral("ftp://127.0.0.1/x") << QStringLiteral("GET");
    QTest::newRow("no host") << QStringLiteral("http:///ws/1/json/") << QStringLiteral("GET");
    QTest::newRow("method with a line break")
        << QStringLiteral("http://127.0.0.1:1/") << QStringLiteral("GET\r\nX-Evil: 1");
}

void tst_HostHttp::failuresWithoutStatus()
{
    QFETCH(QString, url);
    QFETCH(QString, method);

    QBuffer cepResponse;
    const QVariantList arCep = RequisicaoHTTP(url, QStringLiteral("TEXT"), method, nullptr, nullptr,
                                              &cepResponse, QStringLiteral("30"))
                                   .toList();
    QCOMPARE(arCep.size(), 2);
    QCOMPARE(arCep.at(0).toInt(), 999);
    QVERIFY(!arCep.at(1).toString().isEmpty());
    QVERIFY(cepResponse.data().isEmpty());
}

void tst_HostHttp::postSendsBody()
{
    CannedServer server(httpAnswer("201 Created", "application/json", "{}"));
    QVERIFY(server.listen());
    QBuffer corpo;
    corpo.setData("{\"nome\": \"Jo\xc3\xa3o\"}");

    const QVariantList answer =
        RequisicaoHTTP(server.url(QStringLiteral("/consumidor")), QStringLiteral("JSON"),
                       QStringLiteral("post"), nullptr, &corpo, nullptr, QStringLiteral("30"))
            .toList();

    QCOMPARE(answer.value(0).toInt(), 201);
    QCOMPARE(answer.value(1).toString(), QStringLiteral("{}"));
    const QByteArray request = server.request();
    QVERIFY(request.startsWith("POST /consumidor HTTP/1.1\r\n"));
    QVERIFY(request.contains("\r\nContent-Type: application/json\r\n"));
    QVERIFY(request.endsWith("\r\n\r\n{\"nome\": \"Jo\xc3\xa3o\"}"));
}

void tst_HostHttp::cutTransferIsNoSuccess()
{
    // The connection drops before the announced body is complete.
    CannedServer server("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"cep\": \"0100");
    QVERIFY(server.listen());

    const QVariantList arCep =
        RequisicaoHTTP(server.url(QStringLiteral("/ws/1/json/")), QStringLiteral("TEXT"),
                       QStringLiteral("GET"), nullptr, nullptr, nullptr, QStringLiteral("30"))
            .toList();
    QCOMPARE(arCep.value(0).toInt(), 999);
    QVERIFY(!arCep.value(1).toString().isEmpty());
}

void tst_HostHttp::silentServerTimesOut()
{
    CannedServer server{QByteArray()};
    QVERIFY(server.listen());

    const QVariantList arCep =
        RequisicaoHTTP(server.url(QStringLiteral("/ws/1/json/")), QStringLiteral("TEXT"),
                       QStringLiteral("GET"), nullptr, nullptr, nullptr, QStringLiteral("1"))
            .toList();
    QCOMPARE(arCep.size(), 2);
    QCOMPARE(arCep.at(0).toInt(), 999);
    QVERIFY2(arCep.at(1).toString().contains(QLatin1String("Tempo limite de 1 s")),
             qPrintable(arCep.at(1).toString()));
}

void tst_HostHttp::refusedPort()
{
    quint16 port = 0;
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    const QVariantList arCep =
        RequisicaoHTTP(QStringLiteral("http://127.0.0.1:%1/ws/1/json/").arg(port),
                       QStringLiteral("TEXT"), QStringLiteral("GET"), nullptr, nullptr, nullptr,
                       QStringLiteral("5"))
            .toList();
    QCOMPARE(arCep.size(), 2);
    QCOMPARE(arCep.at(0).toInt(), 999);
    QVERIFY(!arCep.at(1).toString().isEmpty());
}

QTEST_MAIN(tst_HostHttp)
#include "tst_hosthttp.moc"
