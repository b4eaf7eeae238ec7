#include "DemoData.h"

#include "ReferenceData.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <utility>

namespace kvt::db {

namespace {

struct Tabela
{
    const char *nome;
    QStringList colunas;
};

QString insertStatement(const Tabela &tabela)
{
    QStringList marcadores;
    for (const QString &coluna : tabela.colunas)
        marcadores.append(QStringLiteral(":P_") + coluna);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QLatin1String(tabela.nome), tabela.colunas.join(QStringLiteral(", ")),
             marcadores.join(QStringLiteral(", ")));
}

// One prepared statement per table, executed once per row of `linhas` (values in column order).
bool insertRows(QSqlDatabase &db, const Tabela &tabela, const QList<QVariantList> &linhas,
                QString &error)
{
    QSqlQuery query(db);
    if (!query.prepare(insertStatement(tabela))) {
        error = QStringLiteral("%1: %2").arg(QLatin1String(tabela.nome), query.lastError().text());
        return false;
    }
    for (const QVariantList &linha : linhas) {
        for (int i = 0; i < linha.size(); ++i)
            query.bindValue(i, linha.at(i));
        if (!query.exec()) {
            error =
                QStringLiteral("%1: %2").arg(QLatin1String(tabela.nome), query.lastError().text());
            return false;
        }
    }
    return true;
}

const QList<ClienteDemo> kClientes = {
    {QStringLiteral("0001"), QStringLiteral("Sabor da Casa Delivery"), 60},
    {QStringLiteral("0002"), QStringLiteral("Pizzaria Forno de Pedra"), 20},
    {QStringLiteral("0003"), QStringLiteral("Empório Bom Preço"), 12},
    {QStringLiteral("0004"), QStringLiteral("Lanchonete da Esquina"), 8},
};

// Branch 0002 serves client 0004 only; branch 0001 serves 0004 without permission to sell.
const QList<QVariantList> kClienFilial = {
    {QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("S"), QStringLiteral("S")},
    {QStringLiteral("0002"), QStringLiteral("0001"), QStringLiteral("S"), QStringLiteral("N")},
    {QStringLiteral("0003"), QStringLiteral("0001"), QStringLiteral("S"), QStringLiteral("N")},
    {QStringLiteral("0004"), QStringLiteral("0001"), QStringLiteral("N"), QStringLiteral("N")},
    {QStringLiteral("0001"), QStringLiteral("0002"), QStringLiteral("S"), QStringLiteral("N")},
    {QStringLiteral("0004"), QStringLiteral("0002"), QStringLiteral("S"), QStringLiteral("S")},
};

const QList<QVariantList> kFiliais = {
    {QStringLiteral("0001"), QStringLiteral("Loja Paulista")},
    {QStringLiteral("0002"), QStringLiteral("Loja Copacabana")},
};

} // namespace

const QList<ClienteDemo> &clientesDemo()
{
    return kClientes;
}

bool insertDemoData(QSqlDatabase &db, const ReferenceData &ref, QString &error)
{
    const QString pais = QLatin1String(kCdPaisBrasil);
    const int municipioFilial = ref.municipioIndex(QLatin1String(kDemoEstadoFilial),
                                                   QString::fromUtf8(kDemoMunicipioFilial));
    if (municipioFilial < 0) {
        error = QStringLiteral("the branch's municipality is missing from the reference data");
        return false;
    }

    QList<QVariantList> estados;
    for (const Estado &e : ref.estados)
        estados.append({pais, e.sigla, e.nome});

    QList<QVariantList> municipios;
    for (const Municipio &m : ref.municipios)
        municipios.append({pais, m.sgEstado, m.codigo, m.nome, m.codigoIbge});

    QList<QVariantList> bairros;
    for (const Bairro &b : ref.bairros) {
        const Municipio &m = ref.municipios.at(b.municipio);
        bairros.append(
            {pais, m.sgEstado, m.codigo, b.codigo, b.nome, b.taxaEntrega, b.tempoEntrega});
    }

    // The branch delivers to the postal codes of its own city.
    QList<QVariantList> ceps;
    QList<QVariantList> filialCeps;
    for (const Cep &c : ref.ceps) {
        const Bairro &b = ref.bairros.at(c.bairro);
        const Municipio &m = ref.municipios.at(b.municipio);
        ceps.append({c.numero, c.logradouro, pais, m.sgEstado, m.codigo, b.codigo});
        if (b.municipio == municipioFilial)
            filialCeps.append({pais, c.numero});
    }

    QList<QVariantList> clientes;
    QList<QVariantList> tipos;
    for (const ClienteDemo &c : kClientes) {
        clientes.append({c.codigo, c.nomeFantasia});
        tipos.append({c.codigo, QLatin1String(kDemoTipoConsumidor), QStringLiteral("N"), 0.0});
        tipos.append({c.codigo, QStringLiteral("02"), QStringLiteral("S"), 10.0});
    }

    const Municipio &filial = ref.municipios.at(municipioFilial);
    const QList<std::pair<Tabela, QList<QVariantList>>> carga = {
        {{"PAIS", {QStringLiteral("CDPAIS"), QStringLiteral("NMPAIS")}},
         {{pais, QStringLiteral("Brasil")}}},
        {{"ESTADO",
          {QStringLiteral("CDPAIS"), QStringLiteral("SGESTADO"), QStringLiteral("NMESTADO")}},
         estados},
        {{"MUNICIPIO",
          {QStringLiteral("CDPAIS"), QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO"),
           QStringLiteral("NMMUNICIPIO"), QStringLiteral("CDMUNICIBGE")}},
         municipios},
        {{"BAIRRO",
          {QStringLiteral("CDPAIS"), QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO"),
           QStringLiteral("CDBAIRRO"), QStringLiteral("NMBAIRRO"), QStringLiteral("VRTXENTREGA"),
           QStringLiteral("QTHORAENTREGA")}},
         bairros},
        {{"CEP",
          {QStringLiteral("NRCEP"), QStringLiteral("DSLOGCEP"), QStringLiteral("CDPAIS"),
           QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO"), QStringLiteral("CDBAIRRO")}},
         ceps},
        {{"FILIALCEP", {QStringLiteral("CDPAIS"), QStringLiteral("NRCEP")}}, filialCeps},
        {{"ENDEFILI",
          {QStringLiteral("CDPAIS"), QStringLiteral("SGESTADO"), QStringLiteral("CDMUNICIPIO")}},
         {{pais, filial.sgEstado, filial.codigo}}},
        {{"FILIAL", {QStringLiteral("CDFILIAL"), QStringLiteral("NMFILIAL")}}, kFiliais},
        {{"CLIENTE", {QStringLiteral("CDCLIENTE"), QStringLiteral("NMFANTCLIE")}}, clientes},
        {{"CLIENFILIAL",
          {QStringLiteral("CDCLIENTE"), QStringLiteral("CDFILIAL"),
           QStringLiteral("IDPERMVENDAZET"), QStringLiteral("IDCLIENPRIN")}},
         kClienFilial},
        {{"TIPOCONSCLI",
          {QStringLiteral("CDCLIENTE"), QStringLiteral("CDTIPOCONS"),
           QStringLiteral("IDUTSUBTCCLI"), QStringLiteral("VRPESUBTCCLI")}},
         tipos},
    };
    for (const auto &[tabela, linhas] : carga) {
        if (!insertRows(db, tabela, linhas, error))
            return false;
    }
    return true;
}

} // namespace kvt::db
