#pragma once

#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/TextRules.h"

#include <QDate>
#include <QString>

// Consumer number n of the fault tests: every column the save writes holds a value of its own
// derived from n, so a row read back can be checked column by column.
inline ConsumidorArgs consumidorDeCarga(int n)
{
    const QString nove = QStringLiteral("%1").arg(100000000 + n, 9, 10, QLatin1Char('0'));
    const QString numero = QString::number(n);
    ConsumidorArgs a;
    a.P_CDCLIENTE = QStringLiteral("1");
    a.P_NMCONSUMIDOR = QStringLiteral("CARGA ") + numero;
    a.P_DTNASCCONS = QDate(1950, 1, 1).addDays(n % 20000).toString(QStringLiteral("dd/MM/yyyy"));
    a.P_NRCPFRESPCONS = nove + kvt::text::cpfCheckDigits(nove);
    a.P_NRRGCONSUMID = QStringLiteral("RG") + numero;
    a.P_DSEMAILCONS = QStringLiteral("c%1@carga.br").arg(n);
    a.P_NRTELECONS = QStringLiteral("(11)9%1").arg(n, 8, 10, QLatin1Char('0'));
    a.P_NRTELE2CONS = QStringLiteral("(21)3%1").arg(n, 7, 10, QLatin1Char('0'));
    a.P_NRCELULARCONS = QStringLiteral("(31)9%1").arg(n, 8, 10, QLatin1Char('0'));
    a.P_DSENDECONS = QStringLiteral("Rua ") + numero;
    a.P_NRENDECONS = QString::number(n % 99999);
    a.P_DSCOMPLENDECONS = QStringLiteral("ap ") + numero;
    a.P_NRCEPCONS = QStringLiteral("01001000");
    a.P_CDPAIS = QStringLiteral("1058");
    a.P_SGESTADO = QStringLiteral("SP");
    a.P_CDMUNICIPIO = QStringLiteral("0001");
    a.P_CDBAIRRO = QStringLiteral("0000000001");
    a.P_DSREFERCONS = QStringLiteral("referencia ") + numero;
    a.P_CDCCUSCLIE = QStringLiteral("CC");
    a.P_CDTIPOCONS = QStringLiteral("01");
    a.P_DIGITAL = QStringLiteral("D1-") + numero;
    a.P_DIGITAL2 = QStringLiteral("D2-") + numero;
    a.P_IDTPVENDACONS = QString::number(1 + n % 7);
    return a;
}

// A terminal's new consumer n: every fourth has no CPF, so its code comes from the telephone.
inline ConsumidorArgs consumidorDeTerminal(int n)
{
    ConsumidorArgs a = consumidorDeCarga(n);
    if (n % 4 == 0)
        a.P_NRCPFRESPCONS.clear();
    return a;
}

// The code the save gives a new consumer.
inline QString codigoDe(const ConsumidorArgs &a)
{
    const QString fonte =
        a.P_NRCPFRESPCONS.isEmpty() ? SoNumerosStr(a.P_NRTELECONS) : a.P_NRCPFRESPCONS;
    return QString(21 - fonte.size(), QLatin1Char('0')) + fonte;
}

// The same consumer after a terminal edited it: the columns an operator changes differ.
inline ConsumidorArgs consumidorEditado(int n)
{
    ConsumidorArgs a = consumidorDeTerminal(n);
    a.P_CDCONSUMIDOR = codigoDe(a);
    a.P_NMCONSUMIDOR = QStringLiteral("CARGA %1 EDITADO").arg(n);
    a.P_DSEMAILCONS = QStringLiteral("e%1@carga.br").arg(n);
    a.P_NRTELE2CONS = QStringLiteral("(41)3%1").arg(n, 7, 10, QLatin1Char('0'));
    a.P_DSCOMPLENDECONS = QStringLiteral("bloco ") + QString::number(n);
    a.P_DIGITAL = QStringLiteral("E1-") + QString::number(n);
    a.P_IDTPVENDACONS = QString::number(1 + (n + 3) % 7);
    return a;
}
