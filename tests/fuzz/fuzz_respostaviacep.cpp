#include "FuzzDriver.h"

#include "client/RespostaViaCep.h"
#include "toolkit/TextRules.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cstdio>
#include <cstdlib>

// The postal-code answer readers of both services: any body is an address, "not found" or
// invalid, and what they give a field always fits the field's Windows-1252 text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString body = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const cadcons::RespostaViaCep viaCep = cadcons::RespostaViaCep::le(body);
    const cadcons::RespostaViaCep brasilApi = cadcons::RespostaViaCep::leBrasilApi(200, body);
    for (const QString &valor : viaCep.valores.values() + brasilApi.valores.values()) {
        const QString campo = cadcons::textoDoSistema(valor, 50);
        if (campo.size() > 50 || !kvt::text::fitsCp1252(campo)) {
            std::fprintf(stderr, "unfit value for a field: %s\n", qPrintable(campo));
            std::abort();
        }
    }
    return 0;
}

#ifndef KVT_LIBFUZZER
int main(int argc, char **argv)
{
    // The recorded answers of the real service, one JSON document each.
    std::vector<QByteArray> seeds{
        "{\"erro\": true}",
        "{\"erro\": \"true\"}",
        "{\"cep\": \"01001-000\", \"logradouro\": \"Rodovia dos N\\u00e1ufragos\", \"uf\": 35}",
        "<html><body>Bad Request</body></html>",
    };
    for (const char *arquivo : {"postal-code-answers.json", "second-provider-answers.json"}) {
        QFile gravadas(qEnvironmentVariable("KVT_SOURCE_DIR") +
                       QStringLiteral("/tests/client/data/") + QLatin1String(arquivo));
        if (!gravadas.open(QIODevice::ReadOnly))
            continue;
        for (const QJsonValue &resposta : QJsonDocument::fromJson(gravadas.readAll()).array())
            seeds.push_back(resposta[QLatin1String("body")].toString().toUtf8());
    }
    return runFuzzDriver(argc, argv, seeds);
}
#endif
