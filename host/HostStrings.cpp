#include "HostZet.h"

#include "toolkit/TextRules.h"

// The host's string functions keep their names and arguments; the rules live in the toolkit,
// so the screen and the data service fill and check alike.

bool EmptyString(const QString &text)
{
    return kvt::text::isBlank(QStringView(text));
}

QString SoNumerosStr(const QString &text)
{
    return kvt::text::asciiDigits(text);
}

QString Ajusta(const QString &text, int width)
{
    return kvt::text::zeroFill(text, width);
}

bool CPFOk(const QString &cpf)
{
    return kvt::text::cpfValid(cpf);
}
