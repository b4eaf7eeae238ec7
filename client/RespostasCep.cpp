#include "RespostasCep.h"

#include "toolkit/SiteFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <utility>

namespace cadcons {

namespace {

const QLatin1String kBuscada("buscada");
const QLatin1String kValores("valores");

// The kept answers by postal code; a file that is missing or no JSON object holds none, and is
// written anew at the next answer.
QJsonObject leArquivo(const QString &arquivo)
{
    QFile file(arquivo);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QDate dataDe(const QJsonObject &entrada)
{
    return QDate::fromString(entrada.value(kBuscada).toString(), Qt::ISODate);
}

bool valida(const QDate &buscada, const QDate &hoje)
{
    return buscada.isValid() && buscada <= hoje &&
           buscada.daysTo(hoje) <= RespostasCep::kDiasValidade;
}

} // namespace

RespostasCep::RespostasCep(QString arquivo) : m_arquivo(std::move(arquivo)) {}

QString RespostasCep::arquivoDoHost(const QString &pastaHost)
{
    return pastaHost + QStringLiteral("/Dados/Cadastros/Kvt_RespostasCep.json");
}

std::optional<RespostasCep::Guardada> RespostasCep::procura(const QString &cep,
                                                            const QDate &hoje) const
{
    const QJsonObject entrada = leArquivo(m_arquivo).value(cep).toObject();
    const QDate buscada = dataDe(entrada);
    const QJsonValue valores = entrada.value(kValores);
    if (!valida(buscada, hoje) || !valores.isObject())
        return std::nullopt;
    Guardada guardada{buscada, {}};
    const QJsonObject colunas = valores.toObject();
    for (auto it = colunas.constBegin(); it != colunas.constEnd(); ++it)
        guardada.valores.insert(it.key(), it.value().toString());
    return guardada;
}

QString RespostasCep::guarda(const QString &cep, const QHash<QString, QString> &valores,
                             const QDate &hoje) const
{
    QJsonObject todas;
    const QJsonObject antes = leArquivo(m_arquivo);
    for (auto it = antes.constBegin(); it != antes.constEnd(); ++it) {
        if (valida(dataDe(it.value().toObject()), hoje))
            todas.insert(it.key(), it.value());
    }
    QJsonObject colunas;
    for (auto it = valores.constBegin(); it != valores.constEnd(); ++it)
        colunas.insert(it.key(), it.value());
    todas.insert(cep, QJsonObject{{kBuscada, hoje.toString(Qt::ISODate)}, {kValores, colunas}});

    const QString pasta = QFileInfo(m_arquivo).path();
    if (!QDir().mkpath(pasta))
        return QStringLiteral("Não foi possível criar a pasta %1.").arg(pasta);
    QSaveFile file(m_arquivo);
    const QByteArray bytes = QJsonDocument(todas).toJson(QJsonDocument::Compact);
    // Set on the file written aside, so the renamed file is the group's from its first byte.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kvt::files::kGroupOnly) ||
        file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Não foi possível gravar %1: %2").arg(m_arquivo, file.errorString());
    return {};
}

} // namespace cadcons
