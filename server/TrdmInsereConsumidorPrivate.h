#pragma once

#include "server/Srv_Kvt04410.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace kvt {
class DataSet;
}

// One statement object: prepared on first use and again after a failure, so a dropped
// connection or a changed table does not leave it stuck.
class Statement
{
public:
    Statement(const QSqlDatabase &db, QString text);

    // Drops the previous result set.
    void close();
    // Prepares when needed; bindings follow.
    void prepare();
    void bind(const QString &name, const QVariant &value);
    // Raises kvt::Exception with the driver's text.
    void exec();
    QSqlQuery &query() { return m_query; }
    const QString &text() const { return m_text; }

private:
    QSqlQuery m_query;
    QString m_text;
    bool m_prepared = false;
};

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
        Statement adqPesqCons, adqConsPorTel, adqPesqIdAtu, acmInsCons, acmUpdCons,
            acmUpdConsSemDigital, adqPais, adqEstado,
            adqMunicipio, adqBairro, adqEndeFili, adqFilialCep, adqInfCEP, adqMunicipioIBGE,
            adqEstadoViaCEP, adqMunicipioViaCEP, adqBairroViaCEP, adqExisteConsumidor, adqTodosCons;
    };
    std::optional<Statements> statements;
    std::shared_ptr<kvt::DataSet> todosCons;

    QSqlDatabase database() const { return QSqlDatabase::database(connectionName, false); }
    // The statements of an open connection; raises kvt::Exception when it is not connected.
    Statements &open();
    void release();
};
