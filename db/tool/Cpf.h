#pragma once

#include <QString>
#include <QStringView>

namespace kvt::db {

// The two check digits of a CPF for its first nine digits; empty unless exactly nine digits.
QString cpfCheckDigits(QStringView nineDigits);

// Eleven digits whose check digits match; a CPF of one repeated digit passes the arithmetic
// but is never issued, so it is refused.
bool cpfValid(QStringView cpf);

} // namespace kvt::db
