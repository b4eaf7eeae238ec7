#pragma once

#include <QString>
#include <Qt>

#include <optional>

class QKeyEvent;

// A physical key as the replay language names it: "Return", "Shift+Return", "F2", "Alt+F4",
// "Shift+Minus", "CapsLock", "Shift", "a", "7". `text` is the character the key produces, empty
// for none. `modifiers` are those held while the key is down, as QKeyEvent::modifiers() reports
// them: a modifier key counts its own.
struct KeyStroke
{
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

std::optional<KeyStroke> parseKeyName(const QString &name);
// The key press that types one character; nullopt for a character no key produces.
std::optional<KeyStroke> keyForCharacter(QChar ch);

// The modifier a modifier key holds (Qt::Key_Shift: Qt::ShiftModifier); NoModifier otherwise.
Qt::KeyboardModifier modifierOfKey(int key);
// The key that holds a modifier: Ctrl, Alt or Shift.
int keyOfModifier(Qt::KeyboardModifier modifier);

// "press Shift+A "A"": a key event as the screen receives it, for the replay's key log.
QString describeKeyEvent(const QKeyEvent &event);
