#pragma once

#include "HostExport.h"

#include <QString>
#include <QVariant>

#include <functional>

class QIODevice;
class QSqlDatabase;

namespace kvt {
class DataSet;
}

// The host's shared library as the module calls it. Names and argument orders are the host's.

// Shows a message to the operator. Kind 0: success and duplicate notices; 2: identity-number
// notices; 3: failures and caught errors. Returns when the operator has acknowledged it.
HOSTZET_EXPORT void Mensagem(const QString &texto, const QString &titulo = {},
                             const QString &confirma = QStringLiteral("N"),
                             const QString &cancela = QStringLiteral("N"), int tipo = 3,
                             const QString &ajuda = {},
                             const QString &codigo = QStringLiteral("002"), int tempo = 0,
                             kvt::DataSet *tabela = nullptr);

// Test and replay seam: while set, Mensagem calls this instead of showing a dialog.
using MensagemHandler = std::function<void(const QString &texto, int tipo)>;
HOSTZET_EXPORT void setMensagemHandler(MensagemHandler handler);

// How Mensagem shows a text when no handler is set. This library holds no widgets: the
// screen-services library installs its message dialog here (installDefaultScreenServices).
// Returns false when it could not show the text; without a presenter, or after false, the text
// goes to the log, never lost.
using MensagemPresenter = std::function<bool(const QString &texto, int tipo)>;
HOSTZET_EXPORT void setMensagemPresenter(MensagemPresenter presenter);

// Makes the toolkit's general error handler show uncaught errors through Mensagem kind 3.
HOSTZET_EXPORT void installHostErrorHandler();

// Checks a service result: an error text raises kvt::Exception with that text and a line
// "(metodo - unidade)"; a packet, a Boolean or an empty result is handed back unchanged.
// The calling handler shows the error, so mostraErro, tipo, argumentos and idEsquema only keep
// the host's signature.
HOSTZET_EXPORT QVariant MensagemMetodo(const QVariant &resultado, bool mostraErro, int tipo,
                                       const QString &metodo, const QString &unidade,
                                       const QString &argumentos, const QString &idEsquema);

// The footer caption of a screen: its code, followed by " - F1 Menu Fiscal" when a fiscal
// printer is in use (F1 then opens the fiscal menu). This host shows no version, whatever
// exibeVersao says.
HOSTZET_EXPORT QString MontaRodapeGeral(bool utilizaImpFis, const QString &tela,
                                        const QString &exibeVersao);

// The database connection string: the configured one (setConnectionString), else the
// environment's KVT_CONNECTION, else the embedded demo database beside the host.
HOSTZET_EXPORT QString _GetStringConexZet(const QString &alias);
HOSTZET_EXPORT void setConnectionString(const QString &connection);
// The connection string with every password value (password=, and PWD= inside an ODBC string)
// replaced by "***", for messages and logs.
HOSTZET_EXPORT QString maskPassword(const QString &connection);

// Session set-up after every connect (per database product, see DbProduct.h): SQLite writes
// ahead to a log synced at each commit and waits for a busy database; PostgreSQL, SQL Server and
// Oracle read and write dates as day/month/year. Raises kvt::Exception with the driver's text when
// a setting fails.
HOSTZET_EXPORT void SetADODBSession(QSqlDatabase &connection);

// One HTTP(S) request, waited on with a time-out in seconds (30 when the text is no positive
// number). Returns {status, body-or-error}: 200 and the body on success; the failed request's
// status and its body (or the error text when it has none); 999 and the error text for a
// failure without a status (refused, name not found, time-out, invalid URL). The wait is never
// longer than cepTimeoutSeconds(), whatever `tempoLimite` says. The raw body goes
// to `resposta` and the response headers, one "Name: value" line each, to `cabecalho` (either
// may be null; a closed device is opened for writing). `formato` names the type of `corpo`
// ("TEXT", "JSON", "XML"). User input is held off while waiting. Never throws.
HOSTZET_EXPORT QVariant RequisicaoHTTP(const QString &url, const QString &formato,
                                       const QString &metodo, QIODevice *cabecalho,
                                       QIODevice *corpo, QIODevice *resposta,
                                       const QString &tempoLimite);

// True when the text is empty or holds only characters up to the blank (tabs, line breaks).
HOSTZET_EXPORT bool EmptyString(const QString &text);
// The ASCII digits of the text, in order.
HOSTZET_EXPORT QString SoNumerosStr(const QString &text);
// The zero fill of stored codes (kvt::text::zeroFill): the text without its blanks, left-filled
// with "0" to `width`. A text that is blank or already `width` long without its blanks comes back
// unchanged; a longer one without its blanks. The data service's AjustaKvt fills alike.
HOSTZET_EXPORT QString Ajusta(const QString &text, int width);
// True for eleven digits whose two check digits are right; punctuation, other lengths and the
// same-digit sequences (11111111111, ...) are rejected.
HOSTZET_EXPORT bool CPFOk(const QString &cpf);

// The host folder when KVT_HOST_DIR is not set: the executable's folder, except for an installed
// program (in <prefix>/lib/kvt04410), whose folder is the package's data folder.
HOSTZET_EXPORT QString defaultHostDir();
// The host program's folder: KVT_HOST_DIR, else defaultHostDir(). No trailing separator.
HOSTZET_EXPORT QString hostDir();
// Base address of the public postal-code service: KVT_CEP_URL, else its public address.
HOSTZET_EXPORT QString cepServiceUrl();
// Base address of the second postal-code service, which follows BrasilAPI's CEP v1 contract:
// KVT_CEP_FALLBACK_URL, else BrasilAPI's public address; empty when the variable is set empty
// (no second service).
HOSTZET_EXPORT QString cepFallbackUrl();
// The longest wait on a web request, in seconds: KVT_CEP_TIMEOUT_S, else 3.
HOSTZET_EXPORT int cepTimeoutSeconds();
// How long a postal-code service that gave no answer is left alone, in seconds:
// KVT_CEP_PAUSE_S, else 600 (0: never).
HOSTZET_EXPORT int cepPauseSeconds();
