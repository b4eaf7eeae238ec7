#pragma once

#include "RespostaViaCep.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QString>

#include <array>

// The postal-code web services in the order they are asked, and which of them is left alone for
// a while, without widgets.
namespace cadcons {

struct ProvedorCep
{
    QString (*base)(); // the configured base address; empty: not asked
    QString (*url)(const QString &base, const QString &cep);
    // The answer of a request that got an HTTP status; Invalida is a failure.
    RespostaViaCep (*le)(int status, const QString &corpo);
};
// The public service first, then the one of BrasilAPI's contract.
extern const std::array<ProvedorCep, 2> kProvedoresCep;

// A service that gave no answer at all (time-out, refused or cut connection) is not asked again
// for a while: one silent service must not cost every look-up its whole wait. Kept for the host
// process, since the module stays loaded between screens; by base address, so that a service
// configured anew is asked at once.
class PausaProvedores
{
public:
    // The one of this process.
    static PausaProvedores &doProcesso();

    // Until when the service is left alone; invalid when it may be asked.
    QDateTime suspensoAte(const QString &base) const;
    void suspende(const QString &base, int segundos);
    // Every service may be asked again (a new start, as a test needs one).
    void liberaTodos();

private:
    struct Pausa
    {
        QDeadlineTimer prazo; // expired: may be asked; monotonic, unlike the wall clock
        QDateTime ate;        // the same moment, for the log
    };
    QHash<QString, Pausa> m_pausas;
};

} // namespace cadcons
