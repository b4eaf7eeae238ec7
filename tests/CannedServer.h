#pragma once

#include <QByteArray>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <utility>

// A canned HTTP server on the loopback: it reads each request head and answers with the canned
// bytes (none: it keeps the connection open and stays silent), `delayMs` later. `onRequest` runs
// when a whole request has arrived, while the client is still waiting for the answer.
class CannedServer : public QObject
{
public:
    explicit CannedServer(QByteArray answer) : m_answer(std::move(answer))
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket, c = Connection()]() mutable { serve(socket, c); });
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString url(const QString &path = {}) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QByteArray request() const { return m_request; }
    qsizetype requests() const { return m_request.count(" HTTP/1.1\r\n"); }
    std::function<void()> onRequest;
    int delayMs = 0;

private:
    struct Connection
    {
        QByteArray request;
        bool answered = false;
    };

    // Answers once the head and as many body bytes as it announced have arrived.
    void serve(QTcpSocket *socket, Connection &c)
    {
        const QByteArray bytes = socket->readAll();
        m_request += bytes;
        c.request += bytes;
        const qsizetype headEnd = c.request.indexOf("\r\n\r\n");
        if (c.answered || headEnd < 0)
            return;
        static const QRegularExpression lengthPattern(QStringLiteral("\r\nContent-Length: *(\\d+)"),
                                                      QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch length =
            lengthPattern.match(QString::fromLatin1(c.request.left(headEnd)));
        if (length.hasMatch() && c.request.size() - headEnd - 4 < length.captured(1).toInt())
            return;
        c.answered = true;
        if (onRequest)
            onRequest();
        if (m_answer.isEmpty())
            return;
        QTimer::singleShot(delayMs, socket, [this, socket] {
            socket->write(m_answer);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QByteArray m_answer;
    QByteArray m_request;
};

// An HTTP/1.1 answer with its length, closing the connection.
inline QByteArray httpAnswer(const QByteArray &statusLine, const QByteArray &contentType,
                             const QByteArray &body)
{
    QByteArray bytes = "HTTP/1.1 " + statusLine + "\r\n";
    if (!contentType.isEmpty())
        bytes += "Content-Type: " + contentType + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    return bytes + body;
}

// The address of a loopback port nobody listens on: the connection is refused.
inline QString refusedUrl()
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    return QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
}
