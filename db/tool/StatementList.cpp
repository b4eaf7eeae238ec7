#include "StatementList.h"
#include "ConsumerRights.h"

#include "db/Schema.h"
#include "server/ConsumerList.h"
#include "server/Dialect.h"
#include "server/SrvStatements.h"
#include "toolkit/Exceptions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace kvt::db {

namespace {

// Stands for the database under a consumer list: records each statement under the name of the
// read being made, and answers with one row of texts and a count, so every kind of read runs.
class Recorder final : public ListReader
{
public:
    explicit Recorder(QList<srv::Bound> &out) : m_out(out) {}

    void now(const QString &what) { m_what = what; }

    QList<QVariantList> rows(const srv::Bound &statement, const QList<kvt::FieldDef> &types,
                             QList<kvt::FieldDef> &fields) const override
    {
        record(statement);
        const srv::ListStatement list(srv::dialectOf(DbProduct::SQLite), {});
        if (types.isEmpty()) {
            for (int i = 0; i < list.columnCount(); ++i)
                fields.append(makeField(list.columnName(i), FieldType::String, 50));
        }
        const qsizetype width = types.isEmpty() ? fields.size() : types.size();
        return {QVariantList(width, QStringLiteral("0001"))};
    }

    int number(const srv::Bound &statement) const override
    {
        record(statement);
        // The name index is there, its trigrams rare; the list holds a thousand rows.
        return statement.sql.contains(QLatin1String("CONSUMIDOR_NOME")) ? 1 : 1000;
    }

private:
    void record(const srv::Bound &statement) const
    {
        m_out.append({m_what, statement.sql, statement.values});
    }

    QList<srv::Bound> &m_out;
    QString m_what;
};

// Every kind of read the screen and the list dialog make of the consumer list.
void listReads(const srv::Dialect &dialect, const srv::Values &parameters, QList<srv::Bound> &out)
{
    auto owned = std::make_unique<Recorder>(out);
    Recorder &recorder = *owned;
    recorder.now(QStringLiteral("list: first window"));
    ConsumerList list(std::move(owned), dialect, parameters);
    recorder.now(QStringLiteral("list: later window"));
    list.setRecNo(100);
    recorder.now(QStringLiteral("list: count"));
    list.setFiltered(true);
    list.recordCount();

    // The edit load's AND filter and the telephone check's OR filter, each with an empty value.
    RowFilter both;
    both.add(QStringLiteral("CDCLIENTE"), QStringLiteral("0001"))
        .add(QStringLiteral("CDCONSUMIDOR"), QString());
    list.setFilter(both);
    recorder.now(QStringLiteral("list: AND filter, count"));
    list.recordCount();
    recorder.now(QStringLiteral("list: AND filter, window"));
    list.value(0, 0);
    RowFilter any;
    any.join = RowFilter::Join::Or;
    any.add(QStringLiteral("NRTELECONS"), QStringLiteral("11987654321"))
        .add(QStringLiteral("NRTELE2CONS"), QString())
        .add(QStringLiteral("NRCELULARCONS"), QStringLiteral("11987654321"));
    list.setFilter(any);
    recorder.now(QStringLiteral("list: OR filter, window"));
    list.value(0, 0);

    recorder.now(QStringLiteral("list: locate"));
    list.locate({QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR")},
                {QStringLiteral("0001"), QStringLiteral("000000000011987654321")});
    recorder.now(QStringLiteral("list: position"));
    list.recNo();
    recorder.now(QStringLiteral("list: look-up past the filter"));
    list.lookupRows({QStringLiteral("CDCLIENTE"), QStringLiteral("NRRGCONSUMID")},
                    {QStringLiteral("0001"), QStringLiteral("123456789")},
                    {QStringLiteral("CDCONSUMIDOR"), QStringLiteral("NMCONSUMIDOR")}, 5);

    list.setFiltered(false);
    // The dialog's own length, with the letters that have the most accented forms.
    const QString full = QStringLiteral("Maria Aparecida dos Santos Oliveira Conceição %_[!")
                             .left(RowSearch::kTextMax);
    const std::pair<const char *, QString> searches[] = {
        {"list: name search, short text", QStringLiteral("ma")},
        {"list: name search, rare text", QStringLiteral("ngu")},
        {"list: name search, the dialog's full length", full},
        {"list: telephone digits, short", QStringLiteral("119")},
        {"list: telephone digits", QStringLiteral("11987654")},
        {"list: CPF digits", QStringLiteral("12345678909")},
    };
    for (const auto &[what, text] : searches) {
        recorder.now(QString::fromLatin1(what));
        const QList<QVariantList> first = list.searchRows(text, {}, 64);
        recorder.now(QString::fromLatin1(what) + QStringLiteral(", next window"));
        list.searchRows(text, first.last(), 64);
    }
}

QJsonObject json(const srv::Bound &statement)
{
    QJsonObject values;
    for (const auto &[name, value] : statement.values)
        values.insert(name, QJsonValue::fromVariant(value));
    return {{QStringLiteral("what"), statement.what},
            {QStringLiteral("sql"), statement.sql},
            {QStringLiteral("values"), values}};
}

} // namespace

int printStatements(const QString &product, QTextStream &out, QTextStream &err)
{
    const srv::Dialect *dialect = srv::dialectNamed(product);
    if (!dialect) {
        err << "--statements takes one of: " << srv::dialectNames().join(QStringLiteral(", "))
            << Qt::endl;
        return 2;
    }
    QList<srv::Bound> all;
    for (const QString &statement : dialect->session())
        all.append({QStringLiteral("session set-up"), statement, {}});
    all.append({QStringLiteral("connection check"), QString::fromLatin1(dialect->ping), {}});
    if (*dialect->beginSave)
        all.append({QStringLiteral("save: begin"), QString::fromLatin1(dialect->beginSave), {}});
    // The values of these come from the screen as typed; only their names are fixed here.
    for (const srv::NamedStatement &statement : srv::kFixedStatements)
        all.append({QString::fromLatin1(statement.what), QString::fromLatin1(statement.sql), {}});

    const srv::Values parameters = {{QStringLiteral("P_CDFILIAL"), QStringLiteral("0001")},
                                    {QStringLiteral("P_CDCONSUMIDOR"), QStringLiteral("T")},
                                    {QStringLiteral("P_CDCLIENTE"), QStringLiteral("T")}};
    all.append({QStringLiteral("adqTodosCons"), srv::ListStatement(*dialect, parameters).text(),
                parameters});
    try {
        listReads(*dialect, parameters, all);
        for (const auto &[what, sql] : schemaStatements(*dialect))
            all.append({what, sql, {}});
        for (const auto &[what, sql] : consumerRightsStatements())
            all.append({what, sql, {}});
    } catch (const Exception &e) {
        err << e.message() << Qt::endl;
        return 1;
    }
    for (const srv::Bound &statement : all)
        out << QJsonDocument(json(statement)).toJson(QJsonDocument::Compact) << '\n';
    out.flush();
    return 0;
}

} // namespace kvt::db
