#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <random>

class QSqlDatabase;

namespace kvt::db {

struct ReferenceData;

struct Consumidor
{
    QString cdCliente;
    QString cdConsumidor; // the CPF zero-filled to 21
    QString nome;
    QDate nascimento; // null when unknown
    QString cpf;
    QString rg;
    QString email;
    QString telefone;
    QString telefone2;
    QString celular;
    QString endereco;
    QString numero;
    QString complemento;
    QString referencia;
    QString cep;
    QString pais;
    QString estado;
    QString municipio;
    QString bairro;
    QString tipoConsumidor;
    QString tipoVenda;
};

// Plausible consumers, the same sequence for the same seed. The CPFs come from a fixed
// permutation of the running number, so consumers generated after `primeiro` earlier ones never
// repeat a CPF of theirs, whatever the seeds.
class ConsumerGenerator
{
public:
    ConsumerGenerator(const ReferenceData &ref, quint64 seed, qint64 primeiro = 0);

    Consumidor next();

private:
    quint64 below(quint64 n) { return m_rng() % n; }
    bool chance(int percent) { return below(100) < quint64(percent); }
    QString digits(int count);
    QString cpfFor(qint64 index) const;
    QString telefoneMovel(const QString &estado);
    int indexIn(const QStringList &list) { return int(below(quint64(list.size()))); }
    const QString &pick(const QStringList &list) { return list.at(indexIn(list)); }

    const ReferenceData &m_ref;
    std::mt19937_64 m_rng;
    qint64 m_index;
    QList<int> m_cepsFilial; // postal codes of the branch's own city
    // The word lists, converted once: a million consumers make this the hot path.
    QStringList m_nomes, m_nomesAscii, m_sobrenomes, m_sobrenomesAscii, m_preposicoes, m_ruas,
        m_complementos, m_referencias, m_dominios;
    int m_pesoTotal = 0;
};

// Appends `count` generated consumers to CONSUMIDOR with one prepared statement, inside the
// caller's transaction. False with the error in `error`. `progress`, when given, hears how many
// are in every so often and at the end.
bool insertConsumers(QSqlDatabase &db, const ReferenceData &ref, qint64 count, quint64 seed,
                     QString &error, const std::function<void(qint64)> &progress = {});

} // namespace kvt::db
