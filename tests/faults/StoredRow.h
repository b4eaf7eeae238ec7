#pragma once

#include "SaveWorkload.h"

#include "tests/server/ServerTestBackend.h"

#include <QSqlQuery>
#include <QSqlRecord>

// The first column of the current row of `query` that differs from what saving `a` writes, as
// "COLUMN: stored / expected"; empty when the row is whole.
inline QString divergencia(const QSqlQuery &query, const ConsumidorArgs &a)
{
    const QSqlRecord r = query.record();
    const auto coluna = [&](const char *nome) {
        return query.value(r.indexOf(QLatin1String(nome))).toString();
    };
    const std::pair<const char *, QString> esperado[] = {
        {"CDCONSUMIDOR", EmptyString(a.P_CDCONSUMIDOR) ? codigoDe(a) : a.P_CDCONSUMIDOR},
        {"NMCONSUMIDOR", a.P_NMCONSUMIDOR},
        {"NRCPFRESPCON", a.P_NRCPFRESPCONS},
        {"NRRGCONSUMID", a.P_NRRGCONSUMID},
        {"DSEMAILCONS", a.P_DSEMAILCONS},
        {"NRTELECONS", SoNumerosStr(a.P_NRTELECONS)},
        {"NRTELE2CONS", SoNumerosStr(a.P_NRTELE2CONS)},
        {"NRCELULARCONS", SoNumerosStr(a.P_NRCELULARCONS)},
        {"DSENDECONS", a.P_DSENDECONS},
        {"NRENDECONS", a.P_NRENDECONS},
        {"DSCOMPLENDECONS", a.P_DSCOMPLENDECONS},
        {"DSREFERENDECONS", a.P_DSREFERCONS},
        {"DIGICONSUMIDOR", a.P_DIGITAL},
        {"DIGICONSUMIDOR2", a.P_DIGITAL2},
        {"IDTPVENDACONS", a.P_IDTPVENDACONS},
    };
    for (const auto &[nome, valor] : esperado) {
        if (coluna(nome) != valor)
            return QStringLiteral("%1: %2 / %3").arg(QLatin1String(nome), coluna(nome), valor);
    }
    const QDate nascimento = dateOf(query.value(r.indexOf(QLatin1String("DTNASCCONS"))));
    if (nascimento != QDate::fromString(a.P_DTNASCCONS, QStringLiteral("dd/MM/yyyy")))
        return QStringLiteral("DTNASCCONS: %1 / %2").arg(nascimento.toString(), a.P_DTNASCCONS);
    return {};
}
