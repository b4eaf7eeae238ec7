#include "server/ListStatement.h"

#include "server/SrvStatements.h"

#include "toolkit/DataSet.h"
#include "toolkit/TextRules.h"

namespace srv {

namespace {

// Digits from which a telephone or CPF prefix is looked up in the indexes.
constexpr int kIndexedPrefix = 5;
// Accented spellings of one trigram asked of the index at most.
constexpr int kMaxSpellings = 64;

// One character of the typed text as a pattern element matching every character that folds to
// it: a GLOB class, or a regular-expression class.
enum class PatternKind { Glob, Regex };

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
    return kind == PatternKind::Glob ? QLatin1Char('*') + out + QLatin1Char('*') : out;
}

// LIKE's own wildcards taken literally, with ! as the escape.
QString likeContaining(const QString &folded)
{
    QString out = QStringLiteral("%");
    for (const QChar c : folded) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_') ||
            c == QLatin1Char('['))
            out += QLatin1Char('!');
        out += c;
    }
    return out + QLatin1Char('%');
}

QString quoted(QString text)
{
    return text.replace(QLatin1Char('\''), QLatin1String("''"));
}

// The letters a lower-cased name can hold that fold to another, and what they fold to: the
// fold of the search, written out for TRANSLATE.
const std::pair<QString, QString> &foldTranslation()
{
    static const std::pair<QString, QString> translation = [] {
        QString from, to;
        for (int byte = 128; byte < 256; ++byte) {
            const char ch = char(byte);
            const QString c = kvt::text::decode1252(QByteArrayView(&ch, 1));
            if (c.isEmpty())
                continue;
            const QChar lower = c.at(0).toLower();
            const QChar folded(kvt::text::foldChar(c.at(0)));
            if (lower != folded && !from.contains(lower)) {
                from += lower;
                to += folded;
            }
        }
        return std::pair{quoted(from), quoted(to)};
    }();
    return translation;
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

} // namespace

QString ListWhere::bind(const QVariant &value)
{
    values.append(value);
    return QStringLiteral(":P_X%1").arg(values.size() - 1);
}

void ListWhere::add(const QString &condition)
{
    text += QStringLiteral(" AND (%1)").arg(condition);
}

QString ListWhere::equals(const QString &expression, const QVariant &value)
{
    // A null QString would bind as NULL, which equals nothing.
    const QString text = value.toString();
    const QString placeholder = bind(text.isNull() ? QStringLiteral("") : text);
    if (text.isEmpty())
        return QStringLiteral("%1 = %2 OR %1 IS NULL").arg(expression, placeholder);
    return QStringLiteral("%1 = %2").arg(expression, placeholder);
}

ListStatement::ListStatement(const Dialect &dialect, Values parameters)
    : m_dialect(&dialect), m_parameters(std::move(parameters))
{
    QStringList items;
    for (const ListColumn &column : kTodosConsColumns) {
        const QString name = QString::fromLatin1(column.column);
        QString expression = QString::fromLatin1(column.alias) + QLatin1Char('.') + name;
        if (column.longText) {
            expression = QString::fromLatin1(dialect.longText).arg(expression);
            items.append(expression + QStringLiteral(" AS ") + name);
        } else {
            items.append(expression);
        }
        m_names.append(name);
        m_expressions.append(expression);
    }
    m_columns = items.join(QStringLiteral(", "));
    m_cliente = int(m_names.indexOf(QStringLiteral("CDCLIENTE")));
    m_consumidor = int(m_names.indexOf(QStringLiteral("CDCONSUMIDOR")));
}

QString ListStatement::text() const
{
    return QStringLiteral("SELECT ") + m_columns + QString::fromLatin1(kTodosConsFrom) +
           QString::fromLatin1(kTodosConsWhere);
}

Values ListStatement::bindings(const ListWhere &where) const
{
    Values values = m_parameters;
    for (int i = 0; i < where.values.size(); ++i)
        values.append({QStringLiteral("P_X%1").arg(i), where.values.at(i)});
    return values;
}

Bound ListStatement::window(const QString &columns, const ListWhere &where, int offset,
                            int limit, bool ordered) const
{
    QString sql = QStringLiteral("SELECT ") + columns + QString::fromLatin1(kTodosConsFrom) +
                  QString::fromLatin1(kTodosConsWhere) + where.text;
    // A look-up needs no order, and asking for one would lead the planner past the index that
    // answers it.
    if (ordered || m_dialect->windowNeedsOrder)
        sql += QString::fromLatin1(kListaOrdem).arg(m_expressions.at(m_cliente),
                                                     m_expressions.at(m_consumidor));
    sql += QString::fromLatin1(m_dialect->window);
    Values values = bindings(where);
    values.append({QStringLiteral("P_INICIO"), offset});
    values.append({QStringLiteral("P_LIMITE"), limit});
    return {{}, sql, values};
}

Bound ListStatement::count(const ListWhere &where) const
{
    return {{},
            QString::fromLatin1(kListaContagem) + QString::fromLatin1(kTodosConsFrom) +
                QString::fromLatin1(kTodosConsWhere) + where.text,
            bindings(where)};
}

Bound ListStatement::plain(const char *sql, Values values) const
{
    return {{}, QString::fromLatin1(sql), std::move(values)};
}

void ListStatement::addSearch(ListWhere &where, const QString &text,
                              const std::function<bool(const QString &)> &rareTrigram) const
{
    const QString folded = kvt::text::foldForSearch(text);
    if (folded.isEmpty())
        return;
    // Longer than any name or number the list holds: nothing matches, and nothing that long is
    // bound.
    if (text.size() > kvt::RowSearch::kTextMax) {
        where.add(QStringLiteral("1 = 0"));
        return;
    }
    const QString digits = kvt::text::asciiDigits(text);
    if (!digits.isEmpty() && !hasLetter(text)) {
        const QString past = pastPrefix(digits);
        // A short prefix matches so many rows that reading in key order finds a window at once;
        // a longer one is rare, and its indexes find it.
        const bool scan = digits.size() < kIndexedPrefix || past.isEmpty();
        QStringList any;
        for (const char *column : {"NRTELECONS", "NRTELE2CONS", "NRCELULARCONS", "NRCPFRESPCON"}) {
            const QString expression =
                m_expressions.at(int(m_names.indexOf(QString::fromLatin1(column))));
            if (scan) {
                any.append(QStringLiteral("%1(%2, 1, %3) = %4")
                               .arg(QString::fromLatin1(m_dialect->substring), expression)
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
    const QString name = m_expressions.at(int(m_names.indexOf(QStringLiteral("NMCONSUMIDOR"))));
    QString value;
    switch (m_dialect->nameSearch) {
    case NameSearch::GlobClasses: {
        // A rare trigram is found in the index; a common one, reading in key order.
        const QString trigrams = rareTrigram ? trigramQuery(folded) : QString();
        if (!trigrams.isEmpty() && rareTrigram(trigrams)) {
            where.add(QString::fromLatin1(kNomeTrigrama)
                          .arg(name.section(QLatin1Char('.'), 0, 0), where.bind(trigrams)));
        }
        value = patternOf(folded, PatternKind::Glob);
        break;
    }
    case NameSearch::RegexClasses:
        value = patternOf(folded, PatternKind::Regex);
        break;
    case NameSearch::FoldedInstr:
        value = folded;
        break;
    case NameSearch::CollatedLike:
        value = likeContaining(folded);
        break;
    }
    QString condition = QString::fromLatin1(m_dialect->nameCondition).arg(name, where.bind(value));
    if (m_dialect->nameSearch == NameSearch::FoldedInstr) {
        const auto &[from, to] = foldTranslation();
        condition = condition.arg(from, to);
    }
    where.add(condition);
}

} // namespace srv
