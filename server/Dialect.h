#pragma once

#include "host/DbProduct.h"

#include <QString>
#include <QStringList>

namespace srv {

// What the name search binds for the typed text, case and accents aside.
enum class NameSearch {
    GlobClasses,  // a class of every variant per letter, narrowed first by the trigram table
    RegexClasses, // the same classes as a regular expression, which pg_trgm answers
    FoldedInstr,  // the folded text itself: no pattern, no long value
    CollatedLike, // the folded text between LIKE's wildcards, its own ones escaped with !
};

// Everything that differs between the products the module runs on; one row each.
struct Dialect
{
    DbProduct product;
    const char *name;    // as `kvt-db --statements` and db/schema/<name>*.sql call it
    const char *minimum; // the oldest release every text here runs on
    const char *longText; // %1: a long-text column read as a character string
    // A window of the consumer list, after its order: :P_INICIO rows skipped, :P_LIMITE read.
    const char *window;
    bool windowNeedsOrder; // the window clause is refused without an ORDER BY
    const char *substring; // the function taking the first characters of a text
    NameSearch nameSearch;
    // The condition of a name search: %1 the name, %2 the bound value; for FoldedInstr %3 the
    // letters that fold to another and %4 what they become.
    const char *nameCondition;
    const char *ping;      // the cheapest statement the server must answer
    const char *beginSave; // empty: the driver's own transaction
    // db/schema/<name>-search.sql, and whether its statements hold semicolons of their own (so
    // blank lines separate them).
    bool searchScript;
    bool searchScriptByParagraph;

    // Run after every connect: the host's session set-up for this product.
    QStringList session() const { return sessionStatements(product); }
};

// The row of a product; a product the module does not know gets SQL Server's, the texts of
// the list's own default.
const Dialect &dialectOf(DbProduct product);
// The row named `name` ("sqlite", "postgresql", "sqlserver", "oracle"), or nullptr.
const Dialect *dialectNamed(const QString &name);
QStringList dialectNames();

} // namespace srv
