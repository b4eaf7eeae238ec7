#include "TMessages.h"

#include "toolkit/Exceptions.h"

TMessages::TMessages(QObject *parent) : QObject(parent) {}

void TMessages::setLines(const QStringList &lines)
{
    m_lines = lines;
    m_texts.clear();
    for (const QString &line : lines) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            continue;
        // The first line of a key wins; the text is kept as written, leading blanks included.
        const QString key = line.left(bar);
        if (!m_texts.contains(key))
            m_texts.insert(key, line.mid(bar + 1));
    }
}

QString TMessages::Msg(const QString &key) const
{
    const auto it = m_texts.constFind(key);
    if (it == m_texts.constEnd())
        throw kvt::Exception(QStringLiteral("Mensagem \"%1\" não cadastrada.").arg(key));
    return it.value();
}
