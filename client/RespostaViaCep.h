#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <array>

class QDate;
class QDateTime;

// The postal-code web look-up without widgets: its address, the reading of its answer and the
// lines of its daily log.
namespace cadcons {

// A key of the service's answer and the column of cdsConsultaViaCEP it fills, in column order.
struct CampoViaCep
{
    const char *coluna;
    const char *chave;
};
extern const std::array<CampoViaCep, 10> kCamposViaCep;
// The second service's keys (BrasilAPI's CEP v1; "ibge.city" is the key city of the object
// ibge), for the columns it fills; the rest stay empty.
extern const std::array<CampoViaCep, 6> kCamposBrasilApi;

// The service's answer, read as JSON.
struct RespostaViaCep
{
    enum class Tipo {
        Endereco,      // an address: the values are filled
        NaoEncontrado, // "erro" true (or "true"), or the second service's 404: an unknown code
        Invalida,      // not a JSON object
    };

    Tipo tipo = Tipo::Invalida;
    QString erro; // why an answer is invalid
    // By column; a missing key is empty, the CEP keeps its digits only. The texts are as the
    // service wrote them (escapes decoded), not yet fit for a field: see textoDoSistema.
    QHash<QString, QString> valores;

    static RespostaViaCep le(const QString &json);
    // The second service's answer: 200 with an address, 404 with a "service_error" for a postal
    // code it does not know; anything else is invalid.
    static RespostaViaCep leBrasilApi(int status, const QString &json);
};

// The text as a field can hold it: control characters become blanks, a character outside
// Windows-1252 becomes its letters without accents when they fit ("Ō" -> "O"), else "?"; then it
// is cut to `tamanho` characters.
QString textoDoSistema(QStringView texto, int tamanho);

// The service's address for a postal code: the base address and "/ws/<cep>/json/".
QString urlConsultaCep(const QString &base, const QString &cep);

// The second service's address for a postal code: the base address and "/api/cep/v1/<digits>".
QString urlBrasilApi(const QString &base, const QString &cep);

// The day's log file under the host's folder: dados/logCep/logCepDDMMYYYY.txt.
QString arquivoLogCep(const QString &pastaHost, const QDate &dia);

// One log line: the date and time as the system writes them (the time left out at exactly
// midnight), " - ", the message in UTF-8 and CR LF. An account or password in the message is
// left out.
QByteArray linhaLogCep(const QDateTime &quando, const QString &mensagem);

} // namespace cadcons
