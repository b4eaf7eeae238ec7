#pragma once

#include <QString>
#include <Qt>

#include <optional>

// A physical key as the replay language names it: "Return", "Shift+Return", "F2", "Alt+F4",
// "Shift+Minus", "a", "7". `text` is the character the key produces, empty for none.
struct KeyStroke
{
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

std::optional<KeyStroke> parseKeyName(const QString &name);
// The key press that types one character; nullopt for a character no key produces.
std::optional<KeyStroke> keyForCharacter(QChar ch);
