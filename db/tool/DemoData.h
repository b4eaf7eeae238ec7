#pragma once

#include <QList>
#include <QString>

class QSqlDatabase;

namespace kvt::db {

struct ReferenceData;

// The terminal the demo is set up for: its branch, main client, cost centre and consumer type,
// written into the parameters file and given to the generated consumers.
inline constexpr auto kDemoFilial = "0001";
inline constexpr auto kDemoCliente = "0001";
inline constexpr auto kDemoCentroCusto = "0001";
inline constexpr auto kDemoTipoConsumidor = "01";
inline constexpr auto kDemoMunicipioFilial = "São Paulo";
inline constexpr auto kDemoEstadoFilial = "SP";

struct ClienteDemo
{
    QString codigo;
    QString nomeFantasia;
    int peso; // share of the generated consumers
};

// The demo's clients; the branch serves all of them, one without permission to sell (its
// consumers stay out of the screen's list).
const QList<ClienteDemo> &clientesDemo();

// Inserts the country, states, municipalities, neighbourhoods, postal codes, branches, clients,
// their links and consumer types into the tables of an empty schema. Runs inside the caller's
// transaction; false with the failing statement's error in `error`.
bool insertDemoData(QSqlDatabase &db, const ReferenceData &ref, QString &error);

} // namespace kvt::db
