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
                             const QString &ajuda = {}, const QString &codigo = QStringLiteral("002"),
                             int tempo = 0, kvt::DataSet *tabela = nullptr);

// Test and replay seam: while set, Mensagem calls this instead of showing a dialog.
using MensagemHandler = std::function<void(const QString &texto, int tipo)>;
HOSTZET_EXPORT void setMensagemHandler(MensagemHandler handler);

// Checks a service result: an error text raises kvt::Exception with that text (naming the
// method); a packet or a Boolean is handed back unchanged.
HOSTZET_EXPORT QVariant MensagemMetodo(const QVariant &resultado, bool mostraErro, int tipo,
                                       const QString &metodo, const QString &unidade,
                                       const QString &argumentos, const QString &idEsquema);

// The footer caption of a screen: its code, and the fiscal-menu hint when a printer is in use.
HOSTZET_EXPORT QString MontaRodapeGeral(bool utilizaImpFis, const QString &tela,
                                        const QString &exibeVersao);

// The database connection string: the configured one (setConnectionString), else the
// environment's KVT_CONNECTION, else the embedded demo database beside the host.
HOSTZET_EXPORT QString _GetStringConexZet(const QString &alias);
HOSTZET_EXPORT void setConnectionString(const QString &connection);

// Session set-up after every connect (per database product).
HOSTZET_EXPORT void SetADODBSession(QSqlDatabase &connection);

// One HTTP request, waited on with a time-out in seconds. Returns {status, body-or-error}:
// 200 on success, the failed request's status, or 999 for a failure of unknown kind.
HOSTZET_EXPORT QVariant RequisicaoHTTP(const QString &url, const QString &formato,
                                       const QString &metodo, QIODevice *cabecalho,
                                       QIODevice *corpo, QIODevice *resposta,
                                       const QString &tempoLimite);

HOSTZET_EXPORT bool EmptyString(const QString &text);
HOSTZET_EXPORT QString SoNumerosStr(const QString &text);
HOSTZET_EXPORT QString Ajusta(const QString &text, int width);
HOSTZET_EXPORT bool CPFOk(const QString &cpf);

// The host program's folder: KVT_HOST_DIR, else the executable's folder. No trailing separator.
HOSTZET_EXPORT QString hostDir();
// Base address of the public postal-code service: KVT_CEP_URL, else its public address.
HOSTZET_EXPORT QString cepServiceUrl();
