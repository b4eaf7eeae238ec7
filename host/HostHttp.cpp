#include "HostZet.h"

#include "toolkit/TextRules.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <array>
#include <exception>

namespace {

constexpr int kStatusOk = 200;
constexpr int kStatusUnknown = 999;
constexpr int kDefaultTimeoutSeconds = 30;
constexpr int kMaxTimeoutSeconds = 24 * 60 * 60;

struct BodyType
{
    const char *formato;
    const char *contentType;
};

constexpr std::array<BodyType, 3> kBodyTypes{{
    {"TEXT", "text/plain; charset=utf-8"},
    {"JSON", "application/json"},
    {"XML", "application/xml; charset=utf-8"},
}};

QVariant answer(int status, const QString &text)
{
    return QVariantList{status, text};
}

int timeoutSeconds(const QString &text)
{
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    return ok && seconds > 0 ? std::min(seconds, kMaxTimeoutSeconds) : kDefaultTimeoutSeconds;
}

QByteArray contentTypeFor(const QString &formato)
{
    const QString wanted = formato.trimmed();
    for (const BodyType &type : kBodyTypes) {
        if (wanted.compare(QLatin1String(type.formato), Qt::CaseInsensitive) == 0)
            return type.contentType;
    }
    return "application/octet-stream";
}

// The body as text in the charset the server named; UTF-8 when it named none. Qt's own
// decoders know no Windows code pages.
QString decodeBody(const QByteArray &body, const QByteArray &contentType)
{
    static const QRegularExpression charsetPattern(QStringLiteral(R"(charset\s*=\s*"?([^";\s]+))"),
                                                   QRegularExpression::CaseInsensitiveOption);
    const QString charset =
        charsetPattern.match(QString::fromLatin1(contentType)).captured(1).toLower();
    if (charset == QLatin1String("windows-1252") || charset == QLatin1String("cp1252"))
        return kvt::text::decode1252(body);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

// A caller's stream may come closed; an unwritable one is left alone.
bool readyToWrite(QIODevice *device)
{
    if (!device)
        return false;
    if (device->isOpen())
        return device->isWritable();
    return device->open(QIODevice::WriteOnly);
}

bool validVerb(const QByteArray &verb)
{
    return !verb.isEmpty() &&
           std::all_of(verb.cbegin(), verb.cend(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

QVariant request(const QString &url, const QString &formato, const QString &metodo,
                 QIODevice *cabecalho, QIODevice *corpo, QIODevice *resposta,
                 const QString &tempoLimite)
{
    if (!QCoreApplication::instance())
        return answer(kStatusUnknown, QStringLiteral("Requisição HTTP sem aplicação em execução."));

    const QUrl target(url.trimmed(), QUrl::StrictMode);
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return answer(kStatusUnknown, QStringLiteral("URL inválida: %1").arg(url));
    }

    QByteArray verb = metodo.trimmed().toUpper().toLatin1();
    if (verb.isEmpty())
        verb = "GET";
    if (!validVerb(verb))
        return answer(kStatusUnknown, QStringLiteral("Método HTTP inválido: %1").arg(metodo));

    // A caller's body may come closed; open it for reading like the output streams for writing.
    if (corpo && ((!corpo->isOpen() && !corpo->open(QIODevice::ReadOnly)) || !corpo->isReadable()))
        return answer(kStatusUnknown, QStringLiteral("O corpo da requisição não pode ser lido."));

    QNetworkRequest networkRequest(target);
    if (corpo)
        networkRequest.setHeader(QNetworkRequest::ContentTypeHeader, contentTypeFor(formato));

    QNetworkAccessManager manager;
    QNetworkReply *const reply = manager.sendCustomRequest(networkRequest, verb, corpo);

    // The terminal's bound rules over the caller's: the counter never waits longer.
    const int seconds = std::min(timeoutSeconds(tempoLimite), cepTimeoutSeconds());
    bool timedOut = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
        loop.quit();
    });
    timer.start(seconds * 1000);
    // The screen waits for the answer; the operator's touches must not run handlers meanwhile.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    if (readyToWrite(cabecalho)) {
        for (const auto &[name, value] : reply->rawHeaderPairs())
            cabecalho->write(name + ": " + value + "\r\n");
    }
    if (readyToWrite(resposta))
        resposta->write(body);

    if (timedOut)
        return answer(kStatusUnknown,
                      QStringLiteral("Tempo limite de %1 s esgotado.").arg(seconds));

    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
    const QString errorText = reply->errorString().isEmpty()
                                  ? QStringLiteral("Falha desconhecida na requisição HTTP.")
                                  : reply->errorString();
    if (status <= 0)
        return answer(kStatusUnknown, errorText);

    // A success status with a broken transfer (connection lost mid-body) is no success: the
    // caller would read a cut answer as the whole one.
    if (status >= 200 && status < 300 && reply->error() != QNetworkReply::NoError)
        return answer(kStatusUnknown, errorText);

    const QByteArray contentType = reply->rawHeader("Content-Type");
    if (status == kStatusOk || !body.isEmpty())
        return answer(status, decodeBody(body, contentType));
    if (reply->error() != QNetworkReply::NoError)
        return answer(status, errorText);
    const QString reason =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    return answer(status, QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed());
}

} // namespace

QVariant RequisicaoHTTP(const QString &url, const QString &formato, const QString &metodo,
                        QIODevice *cabecalho, QIODevice *corpo, QIODevice *resposta,
                        const QString &tempoLimite)
{
    try {
        return request(url, formato, metodo, cabecalho, corpo, resposta, tempoLimite);
    } catch (const std::exception &e) {
        return answer(kStatusUnknown, QString::fromUtf8(e.what()));
    } catch (...) {
        return answer(kStatusUnknown, QStringLiteral("Falha desconhecida na requisição HTTP."));
    }
}
