#include "server/ConsumerList.h"

#include "server/ResultPacket.h"
#include "server/SrvStatements.h"
#include "server/TrdmInsereConsumidorPrivate.h"

#include "host/HostZet.h"

#include "toolkit/Exceptions.h"
#include "toolkit/TextRules.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {

// Runs a read; when it failed because the connection was lost and a new one could be made,
// runs it once more.
template <typename Body, typename Retry>
auto onceMoreAfter(Body &&body, Retry &&reconnected) -> decltype(body())
{
    try {
        return body();
    } catch (const std::exception &) {
        if (!reconnected())
            throw;
    }
    return body();
}

// Rows read at a time for the screen's own reads; a check reads a handful, the dialog its own.
constexpr int kWindow = 64;
// Digits from which a telephone or CPF prefix is looked up in the indexes.
constexpr int kIndexedPrefix = 5;
// Names holding a trigram from which reading in key order finds a window sooner than the index.
constexpr int kCommonTrigram = 2000;
// Accented spellings of one trigram asked of the index at most.
constexpr int kMaxSpellings = 64;

// Position of `word` outside brackets, or -1.
qsizetype topLevelIndex(const QString &text, QLatin1String word, qsizetype from = 0)
{
    int depth = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        else if (depth == 0 && text.mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList splitTopLevel(const QString &list)
{
    QStringList items;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QChar c = list.at(i);
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        else if (c == QLatin1Char(',') && depth == 0) {
            items.append(list.mid(start, i - start).trimmed());
            start = i + 1;
        }
    }
    items.append(list.mid(start).trimmed());
    return items;
}

// "CO.CDCLIENTE" compares as itself; "CONVERT(...) AS DSREFERENDECONS" as the conversion.
std::pair<QString, QString> splitColumn(const QString &item)
{
    const qsizetype as = topLevelIndex(item, QLatin1String(" AS "));
    if (as >= 0)
        return {item.left(as).trimmed(), item.mid(as + 4).trimmed()};
    return {item, item.mid(item.lastIndexOf(QLatin1Char('.')) + 1)};
}

// One character of the typed text as a pattern element matching every character that folds to
// it: a GLOB or LIKE class, or a regular-expression class.
enum class PatternKind { Glob, Like, Regex };

QString patternOf(const QString &folded, PatternKind kind)
{
    QString out;
    for (const QChar c : folded) {
        const QString variants = kvt::text::foldVariants(c);
        const bool plain = c.isLetterOrNumber() || c == QLatin1Char(' ');
        if (variants.size() == 1 && plain) {
            out += kind == PatternKind::Regex && c == QLatin1Char(' ') ? QStringLiteral("\\ ") : c;
            continue;
        }
        if (variants.size() == 1) {
            // A wildcard or bracket of the product's own pattern language, taken literally.
            if (kind == PatternKind::Regex)
                out += QLatin1Char('\\') + c;
            else if (c == QLatin1Char(']') || c == QLatin1Char('^'))
                out += c;
            else
                out += QLatin1Char('[') + c + QLatin1Char(']');
            continue;
        }
        out += QLatin1Char('[') + variants + QLatin1Char(']');
    }
    switch (kind) {
    case PatternKind::Glob:
        return QLatin1Char('*') + out + QLatin1Char('*');
    case PatternKind::Like:
        return QLatin1Char('%') + out + QLatin1Char('%');
    case PatternKind::Regex:
        return out;
    }
    return out;
}

// The smallest text above every text starting with these digits, or empty when none is
// ("99" has none below the letters).
QString pastPrefix(QString digits)
{
    while (!digits.isEmpty() && digits.back() == QLatin1Char('9'))
        digits.chop(1);
    if (digits.isEmpty())
        return {};
    digits.back() = QChar(digits.back().unicode() + 1);
    return digits;
}

// The index's query for the typed text: every spelling, in lower case (the index folds case
// itself), of its trigram with the fewest; empty when the text is shorter or too accentable.
QString trigramQuery(const QString &folded)
{
    const auto spellings = [](QChar c) {
        QString forms;
        for (const QChar v : kvt::text::foldVariants(c)) {
            if (!forms.contains(v.toLower()))
                forms += v.toLower();
        }
        return forms;
    };
    qsizetype best = -1;
    qint64 fewest = 0;
    for (qsizetype i = 0; i + 3 <= folded.size(); ++i) {
        qint64 n = 1;
        for (qsizetype j = 0; j < 3; ++j)
            n *= spellings(folded.at(i + j)).size();
        if (best < 0 || n < fewest) {
            best = i;
            fewest = n;
        }
    }
    if (best < 0 || fewest > kMaxSpellings)
        return {};
    QStringList phrases{QString()};
    for (qsizetype j = 0; j < 3; ++j) {
        QStringList longer;
        for (const QString &phrase : std::as_const(phrases)) {
            for (const QChar c : spellings(folded.at(best + j)))
                longer.append(phrase + c);
        }
        phrases = longer;
    }
    for (QString &phrase : phrases)
        phrase = QLatin1Char('"') + phrase.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                 QLatin1Char('"');
    return phrases.join(QStringLiteral(" OR "));
}

bool hasLetter(const QString &text)
{
    for (const QChar c : text) {
        if (c.isLetter())
            return true;
    }
    return false;
}

QString sqlError(const QSqlError &error)
{
    return error.text().trimmed();
}

} // namespace

// Conditions added to the list statement, each with its values bound by name.
struct ConsumerList::Where
{
    QString text;
    QVariantList values;

    QString bind(const QVariant &value)
    {
        values.append(value);
        return QStringLiteral(":P_X%1").arg(values.size() - 1);
    }
    void add(const QString &condition) { text += QStringLiteral(" AND (%1)").arg(condition); }
    // Exact match, where the empty text also matches NULL, as the in-memory table compares.
    QString equals(const QString &expression, const QVariant &value)
    {
        // A null QString would bind as NULL, which equals nothing.
        const QString text = value.toString();
        const QString placeholder = bind(text.isNull() ? QStringLiteral("") : text);
        if (text.isEmpty())
            return QStringLiteral("%1 = %2 OR %1 IS NULL").arg(expression, placeholder);
        return QStringLiteral("%1 = %2").arg(expression, placeholder);
    }
};

QList<kvt::FieldDef> consumerListFields(QList<kvt::FieldDef> fields)
{
    static const std::pair<const char *, const char *> shown[] = {
        {"NMCONSUMIDOR", "Nome"},     {"NRTELECONS", "Telefone"}, {"NRTELE2CONS", "Comercial"},
        {"NRCELULARCONS", "Celular"}, {"NRCPFRESPCON", "CPF"},    {"DSENDECONS", "Endereço"},
        {"NRENDECONS", "Número"},     {"NMBAIRRO", "Bairro"},     {"NMMUNICIPIO", "Município"},
    };
    for (kvt::FieldDef &field : fields) {
        field.hidden = true;
        for (const auto &[name, label] : shown) {
            if (kvt::text::equalIgnoringAsciiCase(field.name, QString::fromLatin1(name))) {
                field.hidden = false;
                field.label = QString::fromUtf8(label);
            }
        }
    }
    return fields;
}

ConsumerList::Connection::~Connection()
{
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

ConsumerList::ConsumerList(const QSqlDatabase &source, const QString &statement,
                           Parameters parameters)
    : m_parameters(std::move(parameters))
{
    m_shared = source.connectionName();
    m_connection.name =
        QStringLiteral("adqTodosCons_%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
    QSqlDatabase::cloneDatabase(source, m_connection.name);

    const qsizetype selectAt = topLevelIndex(statement, QLatin1String("SELECT "));
    const qsizetype fromAt = topLevelIndex(statement, QLatin1String(" FROM "));
    if (selectAt < 0 || fromAt < 0)
        throw kvt::Exception(QStringLiteral("Consumer list statement without SELECT ... FROM"));
    m_columns = statement.mid(selectAt + 7, fromAt - selectAt - 7);
    m_from = statement.mid(fromAt);
    QStringList names;
    for (const QString &item : splitTopLevel(m_columns)) {
        const auto [expression, name] = splitColumn(item);
        m_expressions.append(expression);
        names.append(kvt::text::asciiUpper(name));
    }
    // The consumer's key orders the rows and continues a window where the last one ended.
    m_clienteField = int(names.indexOf(QStringLiteral("CDCLIENTE")));
    m_consumidorField = int(names.indexOf(QStringLiteral("CDCONSUMIDOR")));
    if (m_clienteField < 0 || m_consumidorField < 0)
        throw kvt::Exception(QStringLiteral("Consumer list statement without the consumer key"));
    m_product = dbProduct(source);
    if (m_product == DbProduct::SQLite)
        m_nameIndex = scalar(srv::kNomeIndiceExiste, {}) > 0;

    // The first window also tells the columns' types.
    Window first;
    first.rows = select(m_columns, Where(), {}, 0, kWindow);
    m_window = std::move(first);
}

ConsumerList::~ConsumerList() = default;

bool ConsumerList::reconnectAfterFailure() const
{
    // Reading through the data module's connection: the module connects again.
    if (rdmInsereConsumidor && rdmInsereConsumidor->connectionName() == m_shared &&
        QSqlDatabase::contains(m_shared))
        return reconnectIfLost();
    // Reading through its own: closed, the next read opens it again.
    QSqlDatabase own = QSqlDatabase::database(m_connection.name, false);
    if (!own.isOpen() || connectionAnswers(own))
        return false;
    own.close();
    return true;
}

QSqlDatabase ConsumerList::database() const
{
    QSqlDatabase shared = QSqlDatabase::database(m_shared, false);
    if (shared.isOpen())
        return shared;
    QSqlDatabase own = QSqlDatabase::database(m_connection.name, false);
    if (!own.isOpen()) {
        if (!own.open())
            throw kvt::Exception(sqlError(own.lastError()));
        SetADODBSession(own);
    }
    return own;
}

QString ConsumerList::name() const
{
    return QStringLiteral("adqTodosCons");
}

QList<QVariantList> ConsumerList::select(const QString &columns, const Where &where,
                                         const QList<kvt::FieldDef> &fields, int offset, int limit,
                                         bool ordered) const
{
    return onceMoreAfter([&] { return selectOnce(columns, where, fields, offset, limit, ordered); },
                         [this] { return reconnectAfterFailure(); });
}

QList<QVariantList> ConsumerList::selectOnce(const QString &columns, const Where &where,
                                             const QList<kvt::FieldDef> &fields, int offset,
                                             int limit, bool ordered) const
{
    const QSqlDatabase db = database();
    const bool fetchClause = m_product == DbProduct::SqlServer || m_product == DbProduct::Oracle;
    QString text = QStringLiteral("SELECT ") + columns + m_from + where.text;
    // A look-up needs no order, and asking for one would lead the planner past the index that
    // answers it.
    if (ordered || fetchClause) {
        text += QString::fromLatin1(srv::kListaOrdem)
                    .arg(m_expressions.at(m_clienteField), m_expressions.at(m_consumidorField));
    }
    text += QString::fromLatin1(fetchClause ? srv::kListaJanelaFetch : srv::kListaJanela);

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(text))
        throw kvt::Exception(sqlError(query.lastError()));
    for (const auto &[name, value] : m_parameters)
        query.bindValue(QLatin1Char(':') + name, value);
    for (int i = 0; i < where.values.size(); ++i)
        query.bindValue(QStringLiteral(":P_X%1").arg(i), where.values.at(i));
    query.bindValue(QStringLiteral(":P_INICIO"), offset);
    query.bindValue(QStringLiteral(":P_LIMITE"), limit);
    if (!query.exec())
        throw kvt::Exception(sqlError(query.lastError()));

    QList<kvt::FieldDef> types = fields;
    if (m_fields.isEmpty()) {
        auto *self = const_cast<ConsumerList *>(this);
        self->m_fields = consumerListFields(resultFields(query.record()));
        types = m_fields;
    } else if (types.isEmpty()) {
        types = m_fields;
    }
    QList<QVariantList> rows;
    QVariantList row;
    while (query.next()) {
        resultRow(query, types, row);
        rows.append(row);
    }
    // Read locks of an embedded database must not outlive the answer.
    query.finish();
    return rows;
}

int ConsumerList::count(const Where &where) const
{
    return onceMoreAfter([&] { return countOnce(where); },
                         [this] { return reconnectAfterFailure(); });
}

int ConsumerList::countOnce(const Where &where) const
{
    const QSqlDatabase db = database();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(srv::kListaContagem) + m_from + where.text))
        throw kvt::Exception(sqlError(query.lastError()));
    for (const auto &[name, value] : m_parameters)
        query.bindValue(QLatin1Char(':') + name, value);
    for (int i = 0; i < where.values.size(); ++i)
        query.bindValue(QStringLiteral(":P_X%1").arg(i), where.values.at(i));
    if (!query.exec() || !query.next())
        throw kvt::Exception(sqlError(query.lastError()));
    const int result = query.value(0).toInt();
    query.finish();
    return result;
}

int ConsumerList::scalar(const char *statement, const Parameters &parameters) const
{
    return onceMoreAfter([&] { return scalarOnce(statement, parameters); },
                         [this] { return reconnectAfterFailure(); });
}

int ConsumerList::scalarOnce(const char *statement, const Parameters &parameters) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(statement)))
        throw kvt::Exception(sqlError(query.lastError()));
    for (const auto &[name, value] : parameters)
        query.bindValue(QLatin1Char(':') + name, value);
    if (!query.exec() || !query.next())
        throw kvt::Exception(sqlError(query.lastError()));
    const int result = query.value(0).toInt();
    query.finish();
    return result;
}

void ConsumerList::addFilter(Where &where) const
{
    if (!m_filtered || m_filter.isEmpty())
        return;
    QStringList terms;
    for (const kvt::RowFilter::Term &term : m_filter.terms)
        terms.append(QLatin1Char('(') +
                     where.equals(m_expressions.at(fieldByName(term.field)), term.value) +
                     QLatin1Char(')'));
    const bool any = m_filter.join == kvt::RowFilter::Join::Or;
    where.add(terms.join(any ? QStringLiteral(" OR ") : QStringLiteral(" AND ")));
}

// A number narrows by the start of the telephones and the CPF, through their indexes; any other
// text by the name holding it, case and accents aside.
void ConsumerList::addSearch(Where &where, const QString &text) const
{
    const QString folded = kvt::text::foldForSearch(text);
    if (folded.isEmpty())
        return;
    const QString digits = kvt::text::asciiDigits(text);
    QStringList any;
    if (!digits.isEmpty() && !hasLetter(text)) {
        const QString past = pastPrefix(digits);
        // A short prefix matches so many rows that reading in key order finds a window at once;
        // a longer one is rare, and its indexes find it.
        const bool scan = digits.size() < kIndexedPrefix || past.isEmpty();
        const QString substring = m_product == DbProduct::SqlServer ? QStringLiteral("SUBSTRING")
                                                                    : QStringLiteral("SUBSTR");
        for (const char *column : {"NRTELECONS", "NRTELE2CONS", "NRCELULARCONS", "NRCPFRESPCON"}) {
            const QString expression = m_expressions.at(fieldByName(QString::fromLatin1(column)));
            if (scan) {
                any.append(QStringLiteral("%1(%2, 1, %3) = %4")
                               .arg(substring, expression)
                               .arg(digits.size())
                               .arg(where.bind(digits)));
            } else {
                any.append(QStringLiteral("%1 >= %2 AND %1 < %3")
                               .arg(expression, where.bind(digits), where.bind(past)));
            }
        }
        where.add(QLatin1Char('(') + any.join(QStringLiteral(") OR (")) + QLatin1Char(')'));
        return;
    }
    const QString name = m_expressions.at(fieldByName(QStringLiteral("NMCONSUMIDOR")));
    switch (m_product) {
    case DbProduct::SQLite: {
        // A rare trigram is found in the index; a common one, reading in key order.
        const QString trigrams = m_nameIndex ? trigramQuery(folded) : QString();
        if (!trigrams.isEmpty() &&
            scalar(srv::kNomeTrigramaConta, {{QStringLiteral("P_NOME"), trigrams},
                                             {QStringLiteral("P_LIMITE"), kCommonTrigram}}) <
                kCommonTrigram) {
            where.add(QString::fromLatin1(srv::kNomeTrigrama)
                          .arg(name.section(QLatin1Char('.'), 0, 0), where.bind(trigrams)));
        }
        where.add(name + QStringLiteral(" GLOB ") +
                  where.bind(patternOf(folded, PatternKind::Glob)));
        break;
    }
    case DbProduct::PostgreSQL:
        where.add(name + QStringLiteral(" ~ ") + where.bind(patternOf(folded, PatternKind::Regex)));
        break;
    case DbProduct::Oracle:
        where.add(QStringLiteral("REGEXP_LIKE(%1, %2)")
                      .arg(name, where.bind(patternOf(folded, PatternKind::Regex))));
        break;
    case DbProduct::SqlServer:
    case DbProduct::Other:
        where.add(name + QStringLiteral(" LIKE ") +
                  where.bind(patternOf(folded, PatternKind::Like)));
        break;
    }
}

void ConsumerList::rowsChanged()
{
    m_count.reset();
    m_window.reset();
    m_current = kFirst;
    m_currentRow.clear();
}

int ConsumerList::recordCount() const
{
    if (!m_count) {
        Where where;
        addFilter(where);
        m_count = count(where);
    }
    return *m_count;
}

const ConsumerList::Window &ConsumerList::windowAt(int row) const
{
    if (!m_window || row < m_window->start || row >= m_window->start + kWindow) {
        Where where;
        addFilter(where);
        Window window;
        window.start = row - row % kWindow;
        window.rows = select(m_columns, where, {}, window.start, kWindow);
        m_window = std::move(window);
    }
    return *m_window;
}

int ConsumerList::positionOf(const QVariantList &row) const
{
    const QString cliente = m_expressions.at(m_clienteField);
    const QString consumidor = m_expressions.at(m_consumidorField);
    Where where;
    addFilter(where);
    const QString c = where.bind(row.at(m_clienteField));
    const QString k = where.bind(row.at(m_consumidorField));
    where.add(QStringLiteral("%1 < %2 OR (%1 = %2 AND %3 < %4)").arg(cliente, c, consumidor, k));
    return count(where);
}

int ConsumerList::recNo() const
{
    if (m_current == kFirst)
        m_current = windowAt(0).rows.isEmpty() ? -1 : 0;
    else if (m_current == kCounted)
        m_current = positionOf(m_currentRow);
    return m_current;
}

void ConsumerList::setRecNo(int row)
{
    row = std::max(row, 0);
    const Window &window = windowAt(row);
    if (row - window.start >= window.rows.size())
        row = recordCount() - 1;
    m_currentRow.clear();
    m_current = row;
    m_eof = row < 0;
}

QVariant ConsumerList::value(int row, int field) const
{
    if (field < 0 || field >= m_fields.size())
        throw kvt::EDatabaseError(
            QStringLiteral("%1: No record %2, field %3").arg(name()).arg(row).arg(field));
    if (row >= 0 && row == m_current && !m_currentRow.isEmpty())
        return m_currentRow.at(field);
    const Window &window = windowAt(std::max(row, 0));
    const int index = row - window.start;
    if (row < 0 || index >= window.rows.size())
        throw kvt::EDatabaseError(
            QStringLiteral("%1: No record %2, field %3").arg(name()).arg(row).arg(field));
    return window.rows.at(index).at(field);
}

QVariant ConsumerList::fieldValue(const QString &field) const
{
    // A chosen or located row reads as it came; its position is counted only when asked for.
    if (m_current == kCounted)
        return m_currentRow.at(fieldByName(field));
    return DataSet::fieldValue(field);
}

void ConsumerList::setFilter(const kvt::RowFilter &filter)
{
    for (const kvt::RowFilter::Term &term : filter.terms)
        fieldByName(term.field);
    m_filter = filter;
    if (m_filtered)
        rowsChanged();
    m_eof = false;
}

void ConsumerList::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    m_filtered = on;
    rowsChanged();
    m_eof = false;
}

bool ConsumerList::locate(const QStringList &fields, const QVariantList &values)
{
    if (fields.size() != values.size() || fields.isEmpty())
        throw kvt::EDatabaseError(name() + QStringLiteral(": Locate needs one value per field"));
    Where where;
    addFilter(where);
    for (int i = 0; i < fields.size(); ++i)
        where.add(where.equals(m_expressions.at(fieldByName(fields.at(i))), values.at(i)));
    const QList<QVariantList> rows = select(m_columns, where, {}, 0, 1);
    if (rows.isEmpty())
        return false;
    choose(rows.first());
    return true;
}

QList<QVariantList> ConsumerList::lookupRows(const QStringList &fields, const QVariantList &values,
                                             const QStringList &result, int limit) const
{
    if (fields.size() != values.size() || fields.isEmpty())
        throw kvt::EDatabaseError(name() + QStringLiteral(": Lookup needs one value per field"));
    Where where;
    for (int i = 0; i < fields.size(); ++i)
        where.add(where.equals(m_expressions.at(fieldByName(fields.at(i))), values.at(i)));
    QStringList columns;
    QList<kvt::FieldDef> types;
    for (const QString &field : result) {
        const int index = fieldByName(field);
        columns.append(m_expressions.at(index));
        types.append(m_fields.at(index));
    }
    return select(columns.join(QStringLiteral(", ")), where, types, 0, limit, false);
}

QList<QVariantList> ConsumerList::searchRows(const QString &text, const QVariantList &after,
                                             int count) const
{
    Where where;
    addFilter(where);
    addSearch(where, text);
    if (!after.isEmpty()) {
        // Where the previous window ended, read through the key's index instead of an offset.
        const QString cliente = m_expressions.at(m_clienteField);
        const QString consumidor = m_expressions.at(m_consumidorField);
        const QString c = where.bind(after.at(m_clienteField));
        const QString c2 = where.bind(after.at(m_clienteField));
        const QString k = where.bind(after.at(m_consumidorField));
        where.add(
            QStringLiteral("%1 >= %2 AND (%1 > %3 OR %4 > %5)").arg(cliente, c, c2, consumidor, k));
    }
    return select(m_columns, where, {}, 0, count);
}

void ConsumerList::choose(const QVariantList &row)
{
    m_currentRow = row;
    m_current = kCounted;
    m_eof = false;
}
