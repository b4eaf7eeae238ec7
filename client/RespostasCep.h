#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include <optional>

// The postal-code answers of the web services kept on this terminal, so that a postal code asked
// once fills the address again without a request: one file of the module's, each answer with the
// day it was fetched. "Not found" is never kept.
namespace cadcons {

class RespostasCep
{
public:
    static constexpr int kDiasValidade = 180;

    struct Guardada
    {
        QDate buscada;                   // the day a service gave it
        QHash<QString, QString> valores; // by column of cdsConsultaViaCEP
    };

    explicit RespostasCep(QString arquivo);
    // Dados/Cadastros/Kvt_RespostasCep.json under the host's folder.
    static QString arquivoDoHost(const QString &pastaHost);

    // The answer kept for the postal code, unless fetched more than kDiasValidade days before
    // `hoje`. A damaged file holds none.
    std::optional<Guardada> procura(const QString &cep, const QDate &hoje) const;
    // Keeps the answer fetched `hoje` in place of any older one, dropping the answers past their
    // validity; the file is replaced whole or not at all. Returns why it could not be written,
    // empty when it was.
    QString guarda(const QString &cep, const QHash<QString, QString> &valores,
                   const QDate &hoje) const;

private:
    QString m_arquivo;
};

} // namespace cadcons
