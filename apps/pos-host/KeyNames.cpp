#include "KeyNames.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QStringList>

namespace {

struct NamedKey
{
    const char *name;
    int key;
    char plain;   // character without Shift, 0 for none
    char shifted; // character with Shift
};

// US layout for the punctuation names; letters and digits are handled by rule.
constexpr NamedKey namedKeys[] = {
    {"Return", Qt::Key_Return, '\r', '\r'},
    {"Enter", Qt::Key_Enter, '\r', '\r'},
    {"Escape", Qt::Key_Escape, 27, 27},
    {"Tab", Qt::Key_Tab, '\t', 0},
    {"Backspace", Qt::Key_Backspace, 8, 8},
    {"Delete", Qt::Key_Delete, 0, 0},
    {"Space", Qt::Key_Space, ' ', ' '},
    {"Minus", Qt::Key_Minus, '-', '_'},
    {"Equal", Qt::Key_Equal, '=', '+'},
    {"Comma", Qt::Key_Comma, ',', '<'},
    {"Period", Qt::Key_Period, '.', '>'},
    {"Slash", Qt::Key_Slash, '/', '?'},
    {"Backslash", Qt::Key_Backslash, '\\', '|'},
    {"Semicolon", Qt::Key_Semicolon, ';', ':'},
    {"Apostrophe", Qt::Key_Apostrophe, '\'', '"'},
    {"At", Qt::Key_At, '@', '@'},
    {"Up", Qt::Key_Up, 0, 0},
    {"Down", Qt::Key_Down, 0, 0},
    {"Left", Qt::Key_Left, 0, 0},
    {"Right", Qt::Key_Right, 0, 0},
    {"Home", Qt::Key_Home, 0, 0},
    {"End", Qt::Key_End, 0, 0},
    {"PageUp", Qt::Key_PageUp, 0, 0},
    {"PageDown", Qt::Key_PageDown, 0, 0},
    {"Insert", Qt::Key_Insert, 0, 0},
    {"CapsLock", Qt::Key_CapsLock, 0, 0},
};

std::optional<Qt::KeyboardModifier> modifierNamed(const QString &name)
{
    if (name.compare(QLatin1String("Shift"), Qt::CaseInsensitive) == 0)
        return Qt::ShiftModifier;
    if (name.compare(QLatin1String("Ctrl"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("Control"), Qt::CaseInsensitive) == 0)
        return Qt::ControlModifier;
    if (name.compare(QLatin1String("Alt"), Qt::CaseInsensitive) == 0)
        return Qt::AltModifier;
    return std::nullopt;
}

} // namespace

std::optional<KeyStroke> parseKeyName(const QString &name)
{
    QStringList parts = name.split(QLatin1Char('+'));
    // "Shift++" or a bare "+" names the plus character itself.
    if (name.endsWith(QLatin1String("++")) || name == QLatin1String("+")) {
        parts.removeLast();
        parts.last() = QStringLiteral("+");
    }
    const QString keyName = parts.takeLast();
    KeyStroke stroke;
    // A modifier named alone is its own key: "Shift", "Ctrl+Shift".
    if (const auto own = modifierNamed(keyName)) {
        stroke.key = keyOfModifier(*own);
        stroke.modifiers = *own;
    }
    for (const QString &part : parts) {
        const auto modifier = modifierNamed(part);
        if (!modifier)
            return std::nullopt;
        stroke.modifiers |= *modifier;
    }
    if (stroke.key)
        return stroke;
    const bool shift = stroke.modifiers.testFlag(Qt::ShiftModifier);
    const bool noText = stroke.modifiers.testFlag(Qt::ControlModifier) ||
                        stroke.modifiers.testFlag(Qt::AltModifier);

    if (keyName.size() > 1 && keyName.startsWith(QLatin1Char('F'))) {
        bool ok = false;
        const int n = keyName.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 24) {
            stroke.key = Qt::Key_F1 + n - 1;
            return stroke;
        }
    }
    for (const NamedKey &k : namedKeys) {
        if (keyName.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) {
            const char c = shift ? k.shifted : k.plain;
            // X names a key by the symbol it types: Shift+Minus arrives as Qt::Key_Underscore,
            // Shift+Tab as Qt::Key_Backtab.
            stroke.key = shift && c > ' ' ? int(c) : k.key;
            if (shift && k.key == Qt::Key_Tab)
                stroke.key = Qt::Key_Backtab;
            // Control characters (Return, Escape, Backspace) keep their text under Ctrl and Alt.
            if (c && !(noText && c > ' '))
                stroke.text = QString(QLatin1Char(c));
            return stroke;
        }
    }
    if (keyName.size() == 1) {
        QChar ch = keyName.at(0);
        // US layout: Shift+1 types "!" and arrives as Qt::Key_Exclam.
        if (shift && ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
            ch = QLatin1Char(")!@#$%^&*("[ch.unicode() - '0']);
        const auto single = keyForCharacter(ch);
        if (!single)
            return std::nullopt;
        stroke.key = single->key;
        QString text(ch);
        if (ch.isLetter())
            text = shift ? keyName.toUpper() : keyName;
        if (!noText)
            stroke.text = text;
        return stroke;
    }
    return std::nullopt;
}

std::optional<KeyStroke> keyForCharacter(QChar ch)
{
    KeyStroke stroke;
    stroke.text = QString(ch);
    const ushort u = ch.unicode();
    if (u == ' ') {
        stroke.key = Qt::Key_Space;
    } else if (u >= 'a' && u <= 'z') {
        stroke.key = Qt::Key_A + (u - 'a');
    } else if (u >= 'A' && u <= 'Z') {
        stroke.key = Qt::Key_A + (u - 'A');
        stroke.modifiers = Qt::ShiftModifier;
    } else if (u > 32 && u < 127) {
        // Qt key codes of printable ASCII are the characters themselves.
        stroke.key = u;
        static const QString shiftedAscii = QStringLiteral("~!@#$%^&*()_+{}|:\"<>?");
        if (shiftedAscii.contains(ch))
            stroke.modifiers = Qt::ShiftModifier;
    } else if (u >= 0xA0 && u <= 0xFF) {
        // Latin-1 letters: Qt names the key by the upper-case character.
        stroke.key = QChar(u).toUpper().unicode();
        if (QChar(u).isUpper())
            stroke.modifiers = Qt::ShiftModifier;
    } else {
        return std::nullopt;
    }
    return stroke;
}

Qt::KeyboardModifier modifierOfKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Meta:
        return Qt::MetaModifier;
    default:
        return Qt::NoModifier;
    }
}

int keyOfModifier(Qt::KeyboardModifier modifier)
{
    switch (modifier) {
    case Qt::ShiftModifier:
        return Qt::Key_Shift;
    case Qt::ControlModifier:
        return Qt::Key_Control;
    case Qt::AltModifier:
        return Qt::Key_Alt;
    case Qt::MetaModifier:
        return Qt::Key_Meta;
    default:
        return 0;
    }
}

QString describeKeyEvent(const QKeyEvent &event)
{
    QString line =
        event.type() == QEvent::KeyPress ? QStringLiteral("press ") : QStringLiteral("release ");
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers.testFlag(Qt::ControlModifier))
        line += QLatin1String("Ctrl+");
    if (modifiers.testFlag(Qt::AltModifier))
        line += QLatin1String("Alt+");
    if (modifiers.testFlag(Qt::ShiftModifier))
        line += QLatin1String("Shift+");
    const QString name = QKeySequence(event.key()).toString(QKeySequence::PortableText);
    line += name.isEmpty() ? QStringLiteral("0x%1").arg(event.key(), 0, 16) : name;
    if (!event.text().isEmpty()) {
        // Control characters as \xNN, so that every event stays on one line.
        QString text;
        for (const QChar ch : event.text()) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
                text += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QLatin1Char('0'));
            else
                text += ch;
        }
        line += QLatin1String(" \"") + text + QLatin1Char('"');
    }
    return line;
}
