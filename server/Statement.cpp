#include "server/Statement.h"

#include <QSqlError>

namespace srv {

Statement::Statement(const QSqlDatabase &db, QString sql) : m_query(db), m_sql(std::move(sql))
{
    m_query.setForwardOnly(true);
}

QString Statement::exec(const Values &values)
{
    m_query.finish();
    if (!m_prepared) {
        if (!m_query.prepare(m_sql))
            return m_query.lastError().text().trimmed();
        m_prepared = true;
    }
    for (const auto &[name, value] : values)
        m_query.bindValue(QLatin1Char(':') + name, value);
    if (m_query.exec())
        return {};
    m_prepared = false;
    return m_query.lastError().text().trimmed();
}

} // namespace srv
