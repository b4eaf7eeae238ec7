#include "HostZet.h"

#include "toolkit/Dispatch.h"
#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QtDebug>

#include <algorithm>
#include <utility>

namespace {

MensagemHandler &mensagemHandler()
{
    static MensagemHandler handler;
    return handler;
}

MensagemPresenter &mensagemPresenter()
{
    static MensagemPresenter presenter;
    return presenter;
}

// A whole number of seconds from the environment, at least `minimum` and at most a day; the
// default when unset or no such number.
int secondsSetting(const char *variable, int fallback, int minimum)
{
    bool ok = false;
    const int value = qEnvironmentVariable(variable).trimmed().toInt(&ok);
    return ok && value >= minimum ? std::min(value, 24 * 60 * 60) : fallback;
}

// Environment value, else the fallback; no trailing "/" either way.
QString folderSetting(const char *variable, const QString &fallback)
{
    QString value = qEnvironmentVariable(variable);
    if (value.trimmed().isEmpty())
        value = fallback;
    while (value.size() > 1 && value.endsWith(QLatin1Char('/')))
        value.chop(1);
    return value;
}

} // namespace

void Mensagem(const QString &texto, const QString &titulo, const QString &confirma,
              const QString &cancela, int tipo, const QString &ajuda, const QString &codigo,
              int tempo, kvt::DataSet *tabela)
{
    Q_UNUSED(titulo)
    Q_UNUSED(confirma)
    Q_UNUSED(cancela)
    Q_UNUSED(ajuda)
    Q_UNUSED(codigo)
    Q_UNUSED(tempo)
    Q_UNUSED(tabela)

    // A copy: the handler may replace itself (the replay mode moves on to its next answer).
    if (const MensagemHandler handler = mensagemHandler()) {
        handler(texto, tipo);
        return;
    }
    // Without a dialog to show it in (a console tool using the data service) the text must
    // still not be lost.
    const MensagemPresenter presenter = mensagemPresenter();
    if (!presenter || !presenter(texto, tipo))
        qWarning().noquote() << texto;
}

void setMensagemHandler(MensagemHandler handler)
{
    mensagemHandler() = std::move(handler);
}

void setMensagemPresenter(MensagemPresenter presenter)
{
    mensagemPresenter() = std::move(presenter);
}

void installHostErrorHandler()
{
    kvt::setGeneralErrorHandler([](const QString &message) {
        Mensagem(message, {}, QStringLiteral("N"), QStringLiteral("N"), 3);
    });
}

QVariant MensagemMetodo(const QVariant &resultado, bool mostraErro, int tipo, const QString &metodo,
                        const QString &unidade, const QString &argumentos, const QString &idEsquema)
{
    Q_UNUSED(mostraErro)
    Q_UNUSED(tipo)
    Q_UNUSED(argumentos)
    Q_UNUSED(idEsquema)

    if (resultado.typeId() != QMetaType::QString)
        return resultado;

    // A text is always a failure; an empty one must still not show an empty box.
    QString texto = resultado.toString();
    if (EmptyString(texto))
        texto = QStringLiteral("Erro desconhecido.");
    throw kvt::Exception(QStringLiteral("%1\n(%2 - %3)").arg(texto, metodo, unidade));
}

QString MontaRodapeGeral(bool utilizaImpFis, const QString &tela, const QString &exibeVersao)
{
    Q_UNUSED(exibeVersao)
    if (utilizaImpFis)
        return tela + QStringLiteral(" - F1 Menu Fiscal");
    return tela;
}

QString defaultHostDir()
{
    // An installed program's folder is read-only; its data folder is found relative to it, so
    // an unpacked copy of the package finds its own.
    const QString programDir = QCoreApplication::applicationDirPath();
    if (!programDir.endsWith(QStringLiteral("/" KVT_INSTALL_PROGRAM_DIR)))
        return programDir;
    return QDir::cleanPath(programDir + QStringLiteral("/" KVT_HOST_DIR_FROM_PROGRAM));
}

QString hostDir()
{
    return folderSetting("KVT_HOST_DIR", defaultHostDir());
}

QString cepServiceUrl()
{
    return folderSetting("KVT_CEP_URL", QStringLiteral("https://viacep.com.br"));
}

QString cepFallbackUrl()
{
    if (qEnvironmentVariableIsSet("KVT_CEP_FALLBACK_URL") &&
        qEnvironmentVariable("KVT_CEP_FALLBACK_URL").trimmed().isEmpty())
        return {};
    return folderSetting("KVT_CEP_FALLBACK_URL", QStringLiteral("https://brasilapi.com.br"));
}

int cepTimeoutSeconds()
{
    return secondsSetting("KVT_CEP_TIMEOUT_S", 3, 1);
}

int cepPauseSeconds()
{
    return secondsSetting("KVT_CEP_PAUSE_S", 600, 0);
}
