#pragma once

#include "db/Schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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

    // Runs the statements of a script, each ending with ";" at the end of a line.
    bool run(const QString &script)
    {
        QFile file(script);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            m_error = file.errorString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), script);
            db.setDatabaseName(m_path);
            db.open(); // a failure shows in the first statement
            QSqlQuery query(db);
            for (const QString &sql :
                 QString::fromUtf8(file.readAll()).split(QStringLiteral(";\n"))) {
                if (m_error.isEmpty() && !sql.trimmed().isEmpty() && !query.exec(sql))
                    m_error = sql + QLatin1Char(' ') + query.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(script);
        return m_error.isEmpty();
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
