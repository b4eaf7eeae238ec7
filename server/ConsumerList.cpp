#include "server/ConsumerList.h"

#include "server/ResultPacket.h"
#include "server/Retry.h"
#include "server/SrvStatements.h"
#include "server/Statement.h"

#include "host/HostZet.h"

#include "toolkit/Exceptions.h"
#include "toolkit/TextRules.h"

#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <unordered_map>

namespace {

// Rows read at a time for the screen's own reads; a check reads a handful, the dialog its own.
constexpr int kWindow = 64;
// Names holding a trigram from which reading in key order finds a window sooner than the index.
constexpr int kCommonTrigram = 2000;
// Statements kept prepared at a time: the screen's reads come in a few texts.
constexpr std::size_t kPrepared = 16;

// The reads' statements kept prepared, one per text, as the values change and the texts repeat:
// preparing the list's join anew cost a round trip and its parse at every read. They belong to
// the connection they were prepared on; another one (the module connected again, or the
// reader's own) starts afresh, as the server forgot them with the old one.
class PreparedStatements
{
public:
    srv::Statement &statement(const QSqlDatabase &db, const QString &sql)
    {
        if (m_driver != db.driver()) {
            m_statements.clear();
            m_driver = db.driver();
        }
        auto found = m_statements.find(sql);
        if (found == m_statements.end()) {
            if (m_statements.size() >= kPrepared)
                m_statements.erase(std::min_element(
                    m_statements.begin(), m_statements.end(),
                    [](const auto &a, const auto &b) { return a.second.used < b.second.used; }));
            found = m_statements.try_emplace(sql, db, sql).first;
        }
        found->second.used = ++m_reads;
        return found->second.statement;
    }

    void clear() { m_statements.clear(); }

private:
    struct Prepared
    {
        Prepared(const QSqlDatabase &db, const QString &sql) : statement(db, sql) {}
        srv::Statement statement;
        quint64 used = 0;
    };
    QPointer<QSqlDriver> m_driver;
    std::unordered_map<QString, Prepared> m_statements;
    quint64 m_reads = 0;
};

// Reads through the data module's connection, or a copy of it once that one is gone.
class DatabaseReader final : public ListReader
{
public:
    DatabaseReader(const QSqlDatabase &source, std::function<bool()> reconnect)
        : m_shared(source.connectionName()), m_reconnect(std::move(reconnect))
    {
        m_own.name = QStringLiteral("adqTodosCons_%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
        QSqlDatabase::cloneDatabase(source, m_own.name);
    }

    QList<QVariantList> rows(const srv::Bound &statement, const QList<kvt::FieldDef> &types,
                             QList<kvt::FieldDef> &fields) const override
    {
        return srv::onceMoreAfterReconnect(
            [&] {
                return srv::run(prepared(statement), statement.values, [&](QSqlQuery &query) {
                    QList<kvt::FieldDef> as = types;
                    if (as.isEmpty())
                        as = fields = resultFields(query.record());
                    QList<QVariantList> out;
                    QVariantList row;
                    while (query.next()) {
                        resultRow(query, as, row);
                        out.append(row);
                    }
                    return out;
                });
            },
            [this] { return reconnectAfterFailure(); });
    }

    int number(const srv::Bound &statement) const override
    {
        return srv::onceMoreAfterReconnect(
            [&] {
                return srv::run(prepared(statement), statement.values, [](QSqlQuery &query) {
                    if (!query.next())
                        throw kvt::Exception(query.lastError().text().trimmed());
                    return query.value(0).toInt();
                });
            },
            [this] { return reconnectAfterFailure(); });
    }

private:
    srv::Statement &prepared(const srv::Bound &statement) const
    {
        return m_prepared.statement(database(), statement.sql);
    }

    // The statements prepared on a lost connection go once it is gone: a query of a removed
    // connection drops nothing on the server, one of an open connection drops its statement.
    bool reconnectAfterFailure() const
    {
        const bool again = reconnectLost();
        m_prepared.clear();
        return again;
    }

    // Reading through the data module's connection: the module connects again. Through its
    // own: closed, the next read opens it again.
    bool reconnectLost() const
    {
        if (QSqlDatabase::contains(m_shared))
            return m_reconnect && m_reconnect();
        QSqlDatabase own = QSqlDatabase::database(m_own.name, false);
        if (!own.isOpen() || srv::connectionAnswers(own))
            return false;
        own.close();
        return true;
    }

    QSqlDatabase database() const
    {
        QSqlDatabase shared = QSqlDatabase::database(m_shared, false);
        if (shared.isOpen())
            return shared;
        QSqlDatabase own = QSqlDatabase::database(m_own.name, false);
        if (!own.isOpen()) {
            if (!own.open())
                throw kvt::Exception(own.lastError().text().trimmed());
            SetADODBSession(own);
        }
        return own;
    }

    // Opened only once the data module's connection is gone; closed and removed with the
    // reader, whatever the list's constructor got to.
    struct Connection
    {
        QString name;
        ~Connection()
        {
            if (QSqlDatabase::contains(name)) {
                QSqlDatabase::database(name, false).close();
                QSqlDatabase::removeDatabase(name);
            }
        }
    };

    QString m_shared;
    std::function<bool()> m_reconnect;
    Connection m_own;
    // After m_own: its queries go before the connection does.
    mutable PreparedStatements m_prepared;
};

} // namespace

ListReader::~ListReader() = default;

std::unique_ptr<ListReader> databaseReader(const QSqlDatabase &source,
                                           std::function<bool()> reconnect)
{
    return std::make_unique<DatabaseReader>(source, std::move(reconnect));
}

QList<kvt::FieldDef> consumerListFields(QList<kvt::FieldDef> fields)
{
    // What an operator on the telephone tells a person by, within the dialog's width; the other
    // telephones are still searched, not shown, and the CPF shows masked. The widths are
    // characters: the texts share the room in proportion.
    struct Shown
    {
        const char *name;
        const char *label;
        int width;
    };
    static const Shown shown[] = {
        {"NMCONSUMIDOR", "Nome", 40},   {"NRTELECONS", "Telefone", 11},
        {"DSENDECONS", "Endereço", 30}, {"NRENDECONS", "Nº", 4},
        {"NMBAIRRO", "Bairro", 20},     {"NRCPFRESPCON", "CPF", 13},
    };
    for (kvt::FieldDef &field : fields) {
        field.hidden = true;
        for (const Shown &column : shown) {
            if (kvt::text::equalIgnoringAsciiCase(field.name, QString::fromLatin1(column.name))) {
                field.hidden = false;
                field.label = QString::fromUtf8(column.label);
                field.displayWidth = column.width;
            }
        }
        field.cpf = kvt::text::equalIgnoringAsciiCase(field.name, u"NRCPFRESPCON");
    }
    return fields;
}

ConsumerList::ConsumerList(std::unique_ptr<ListReader> reader, const srv::Dialect &dialect,
                           Parameters parameters)
    : m_reader(std::move(reader)), m_statement(dialect, std::move(parameters))
{
    if (dialect.nameSearch == srv::NameSearch::GlobClasses)
        m_nameIndex = m_reader->number(m_statement.plain(srv::kNomeIndiceExiste, {})) > 0;
    // The first window also tells the columns' types.
    Window first;
    first.rows = select(m_statement.columns(), {}, {}, 0, kWindow);
    m_window = std::move(first);
}

ConsumerList::~ConsumerList() = default;

QString ConsumerList::name() const
{
    return QStringLiteral("adqTodosCons");
}

const QString &ConsumerList::expression(const QString &field) const
{
    return m_statement.expression(fieldByName(field));
}

QList<QVariantList> ConsumerList::select(const QString &columns, const srv::ListWhere &where,
                                         const QList<kvt::FieldDef> &types, int offset, int limit,
                                         bool ordered) const
{
    // No product is asked for no rows (SQL Server refuses FETCH NEXT 0 ROWS).
    if (limit <= 0)
        return {};
    QList<kvt::FieldDef> fields;
    QList<QVariantList> rows =
        m_reader->rows(m_statement.window(columns, where, offset, limit, ordered),
                       types.isEmpty() ? m_fields : types, fields);
    if (m_fields.isEmpty())
        const_cast<ConsumerList *>(this)->m_fields = consumerListFields(fields);
    return rows;
}

int ConsumerList::count(const srv::ListWhere &where) const
{
    return m_reader->number(m_statement.count(where));
}

void ConsumerList::addFilter(srv::ListWhere &where) const
{
    if (!m_filtered || m_filter.isEmpty())
        return;
    QStringList terms;
    for (const kvt::RowFilter::Term &term : m_filter.terms)
        terms.append(QLatin1Char('(') + where.equals(expression(term.field), term.value) +
                     QLatin1Char(')'));
    const bool any = m_filter.join == kvt::RowFilter::Join::Or;
    where.add(terms.join(any ? QStringLiteral(" OR ") : QStringLiteral(" AND ")));
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
        srv::ListWhere where;
        addFilter(where);
        m_count = count(where);
    }
    return *m_count;
}

const ConsumerList::Window &ConsumerList::windowAt(int row) const
{
    if (!m_window || row < m_window->start || row >= m_window->start + kWindow) {
        srv::ListWhere where;
        addFilter(where);
        Window window;
        window.start = row - row % kWindow;
        window.rows = select(m_statement.columns(), where, {}, window.start, kWindow);
        m_window = std::move(window);
    }
    return *m_window;
}

int ConsumerList::positionOf(const QVariantList &row) const
{
    const QString &cliente = m_statement.expression(m_statement.clienteColumn());
    const QString &consumidor = m_statement.expression(m_statement.consumidorColumn());
    srv::ListWhere where;
    addFilter(where);
    const QString c = where.bind(row.at(m_statement.clienteColumn()));
    const QString k = where.bind(row.at(m_statement.consumidorColumn()));
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

bool ConsumerList::hasCurrent() const
{
    return m_current == kCounted || recNo() >= 0;
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
    srv::ListWhere where;
    addFilter(where);
    for (int i = 0; i < fields.size(); ++i)
        where.add(where.equals(expression(fields.at(i)), values.at(i)));
    const QList<QVariantList> rows = select(m_statement.columns(), where, {}, 0, 1);
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
    srv::ListWhere where;
    for (int i = 0; i < fields.size(); ++i)
        where.add(where.equals(expression(fields.at(i)), values.at(i)));
    QStringList columns;
    QList<kvt::FieldDef> types;
    for (const QString &field : result) {
        const int index = fieldByName(field);
        columns.append(m_statement.expression(index));
        types.append(m_fields.at(index));
    }
    return select(columns.join(QStringLiteral(", ")), where, types, 0, limit, false);
}

QList<QVariantList> ConsumerList::searchRows(const QString &text, const QVariantList &after,
                                             int count) const
{
    srv::ListWhere where;
    addFilter(where);
    std::function<bool(const QString &)> rareTrigram;
    if (m_nameIndex) {
        rareTrigram = [this](const QString &query) {
            return m_reader->number(m_statement.plain(
                       srv::kNomeTrigramaConta, {{QStringLiteral("P_NOME"), query},
                                                 {QStringLiteral("P_LIMITE"), kCommonTrigram}})) <
                   kCommonTrigram;
        };
    }
    m_statement.addSearch(where, text, rareTrigram);
    if (!after.isEmpty()) {
        // Where the previous window ended, read through the key's index instead of an offset.
        const QString &cliente = m_statement.expression(m_statement.clienteColumn());
        const QString &consumidor = m_statement.expression(m_statement.consumidorColumn());
        const QString c = where.bind(after.at(m_statement.clienteColumn()));
        const QString c2 = where.bind(after.at(m_statement.clienteColumn()));
        const QString k = where.bind(after.at(m_statement.consumidorColumn()));
        where.add(
            QStringLiteral("%1 >= %2 AND (%1 > %3 OR %4 > %5)").arg(cliente, c, c2, consumidor, k));
    }
    return select(m_statement.columns(), where, {}, 0, count);
}

void ConsumerList::choose(const QVariantList &row)
{
    m_currentRow = row;
    m_current = kCounted;
    m_eof = false;
}
