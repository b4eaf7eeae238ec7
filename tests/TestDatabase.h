#pragma once

#include "db/Schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QUuid>

// A SQLite database with the schema, in a folder of its own that goes with the object; empty, or
// with the rows of a script whose statements each end with ";" at the end of a line.
class TestDatabase
{
public:
    explicit TestDatabase(const QString &script = {})
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
            QFile file(script);
            if (!script.isEmpty() && !file.open(QIODevice::ReadOnly))
                m_error = file.errorString();
            QSqlQuery query(db);
            const QString sql = file.isOpen() ? QString::fromUtf8(file.readAll()) : QString();
            for (const QString &s : sql.split(QStringLiteral(";\n"), Qt::SkipEmptyParts)) {
                if (m_error.isEmpty() && !query.exec(s))
                    m_error = s + QLatin1Char(' ') + query.lastError().text();
            }
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
