#include "server/Dialect.h"

#include <array>

namespace srv {

namespace {

// SQL Server 2012 and Oracle 12c are the first with OFFSET ... FETCH; SQLite 3.34 the first with
// the trigram tokenizer of the name search's table; PostgreSQL 9.3 the first whose pg_trgm
// answers a regular expression.
// Long texts: SQLite and PostgreSQL read TEXT as a character string already; Oracle's TO_CHAR
// fails on a CLOB over 4,000 bytes, DBMS_LOB.SUBSTR does not.
const std::array<Dialect, 4> kDialects{{
    {DbProduct::SQLite, "sqlite", "SQLite 3.34", "%1", " LIMIT :P_LIMITE OFFSET :P_INICIO", false,
     "SUBSTR", NameSearch::GlobClasses, "%1 GLOB %2", "SELECT 1", "BEGIN IMMEDIATE", true, true},
    {DbProduct::PostgreSQL, "postgresql", "PostgreSQL 9.3", "%1",
     " LIMIT :P_LIMITE OFFSET :P_INICIO", false, "SUBSTR", NameSearch::RegexClasses, "%1 ~ %2",
     "SELECT 1", "", true, false},
    // The collation is blind to case and accents both.
    {DbProduct::SqlServer, "sqlserver", "Microsoft SQL Server 2012", "CONVERT(VARCHAR(2000),%1)",
     " OFFSET :P_INICIO ROWS FETCH NEXT :P_LIMITE ROWS ONLY", true, "SUBSTRING",
     NameSearch::CollatedLike, "%1 COLLATE Latin1_General_CI_AI LIKE %2 ESCAPE '!'", "SELECT 1", "",
     false, false},
    // The name in lower case with every accented letter turned into its plain one.
    {DbProduct::Oracle, "oracle", "Oracle 12c", "DBMS_LOB.SUBSTR(%1, 2000, 1)",
     " OFFSET :P_INICIO ROWS FETCH NEXT :P_LIMITE ROWS ONLY", true, "SUBSTR",
     NameSearch::FoldedInstr, "INSTR(TRANSLATE(LOWER(%1), '%3', '%4'), %2) > 0",
     "SELECT 1 FROM DUAL", "", false, false},
}};

} // namespace

const Dialect &dialectOf(DbProduct product)
{
    for (const Dialect &dialect : kDialects) {
        if (dialect.product == product)
            return dialect;
    }
    return kDialects[2];
}

const Dialect *dialectNamed(const QString &name)
{
    for (const Dialect &dialect : kDialects) {
        if (name == QLatin1String(dialect.name))
            return &dialect;
    }
    return nullptr;
}

QStringList dialectNames()
{
    QStringList names;
    for (const Dialect &dialect : kDialects)
        names.append(QString::fromLatin1(dialect.name));
    return names;
}

} // namespace srv
