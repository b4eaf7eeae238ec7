#pragma once

#include <QString>

// The text in the form of the mask: each non-"9" mask character is put in front of a digit that
// stands at its position; a text one longer than the mask loses a stray non-digit. Used with
// "(99)999999999" for the telephone fields.
QString Mascara(const QString &edt, const QString &str);

// The mask of the telephone fields.
inline QString mascaraTelefone()
{
    return QStringLiteral("(99)999999999");
}
