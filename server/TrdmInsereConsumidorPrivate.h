#pragma once

#include "server/Srv_Kvt04410.h"
#include "server/Statement.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

namespace kvt {
class DataSet;
}

// After a failure: when the data module's connection is gone (a database server that
// restarted), connects it again and returns true so the caller may try once more; false when
// the connection still answers or there is no module, and the connect error when the server is
// still away.
bool reconnectIfLost(TrdmInsereConsumidor *module);

struct TrdmInsereConsumidor::Private
{
    QString connectionName;

    // Created once the connection is open; gone before the connection is removed.
    struct Statements
    {
        explicit Statements(const QSqlDatabase &db);
        srv::Statement adqPesqCons, adqConsPorTel, adqPesqIdAtu, acmInsCons, acmUpdCons,
            acmUpdConsSemDigital, adqPais, adqEstado, adqMunicipio, adqBairro, adqEndeFili,
            adqFilialCep, adqInfCEP, adqMunicipioIBGE, adqEstadoViaCEP, adqMunicipioViaCEP,
            adqBairroViaCEP, adqExisteConsumidor, adqTodosCons;
    };
    std::optional<Statements> statements;
    std::shared_ptr<kvt::DataSet> todosCons;

    QSqlDatabase database() const { return QSqlDatabase::database(connectionName, false); }
    // The statements of an open connection; raises kvt::Exception when it is not connected.
    Statements &open();
    void release();
};
