#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace kvt::db {

inline constexpr auto kCdPaisBrasil = "1058"; // the country code of the Brazilian fiscal tables

struct Estado
{
    QString sigla;
    QString nome;
};

struct Municipio
{
    QString sgEstado;
    QString codigo; // CDMUNICIPIO, 4 digits, unique within the state
    QString nome;   // NMMUNICIPIO, at most 30 characters
    QString codigoIbge;
};

struct Bairro
{
    int municipio = -1; // index into ReferenceData::municipios
    QString codigo;     // CDBAIRRO, zero-filled to 10, sequential within the municipality
    QString nome;
    double taxaEntrega = 0;
    QString tempoEntrega; // HHMM
};

struct Cep
{
    QString numero; // 8 digits
    QString logradouro;
    int bairro = -1; // index into ReferenceData::bairros
};

// The reference tables of the demo: Brazil's states and municipalities (IBGE) and the
// neighbourhoods and postal codes of a set of cities.
struct ReferenceData
{
    QList<Estado> estados;
    QList<Municipio> municipios;
    QList<Bairro> bairros;
    QList<Cep> ceps;

    int municipioIndex(const QString &sgEstado, const QString &nome) const;

    // Reads estados.csv, municipios.csv and bairros.csv from `dir` (the compiled-in copy when
    // empty). False with a message in `error` for a malformed file, a name that does not fit
    // its column, or a municipality code that is not unique within its state.
    bool load(QString &error, const QString &dir = {});

private:
    QHash<QString, int> m_municipioByName; // "SG|Name"
};

// NMMUNICIPIO holds 30 characters: names that do not fit get a fixed abbreviation; any other
// name over 30 is an error, never cut.
QString nomeMunicipioAbreviado(const QString &nome);

// CDMUNICIPIO from the 7-digit IBGE code: its last four digits.
QString codigoMunicipio(const QString &codigoIbge);

} // namespace kvt::db
