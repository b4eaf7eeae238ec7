#pragma once

#include <QByteArray>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <utility>

// A one-answer HTTP server on the loopback: it reads the request head and answers with the
// canned bytes (none: it keeps the connection open and stays silent). `onRequest` runs when a
// whole request has arrived, while the client is still waiting for the answer.
class CannedServer : public QObject
{
public:
    explicit CannedServer(QByteArray answer) : m_answer(std::move(answer))
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString url(const QString &path = {}) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QByteArray request() const { return m_request; }
    std::function<void()> onRequest;

private:
    // Answers once the head and as many body bytes as it announced have arrived.
    void serve(QTcpSocket *socket)
    {
        m_request += socket->readAll();
        const qsizetype headEnd = m_request.indexOf("\r\n\r\n");
        if (m_answered || headEnd < 0)
            return;
        static const QRegularExpression lengthPattern(QStringLiteral("\r\nContent-Length: *(\\d+)"),
                                                      QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch length =
            lengthPattern.match(QString::fromLatin1(m_request.left(headEnd)));
        if (length.hasMatch() && m_request.size() - headEnd - 4 < length.captured(1).toInt())
            return;
        m_answered = true;
        if (onRequest)
            onRequest();
        if (m_answer.isEmpty())
            return;
        socket->write(m_answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_answer;
    QByteArray m_request;
    bool m_answered = false;
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
