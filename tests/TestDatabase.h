#pragma once

#include "db/Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QTemporaryDir>
#include <QUuid>

// An empty SQLite database with the schema, in a folder of its own that goes with the object.
class TestDatabase
{
public:
    TestDatabase()
    {
        m_path = m_dir.filePath(QStringLiteral("kvt.db"));
        const QString name = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_path);
            if (db.open())
                kvt::db::createSchema(db);
            else
                m_error = db.lastError().text();
        }
        QSqlDatabase::removeDatabase(name);
    }

    bool ok() const { return m_dir.isValid() && m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString dir() const { return m_dir.path(); }
    QString connection() const { return QStringLiteral("driver=QSQLITE;database=") + m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_error;
};
