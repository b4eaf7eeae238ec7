#include "ProvedoresCep.h"

#include "host/HostZet.h"

namespace cadcons {

namespace {

constexpr int kStatusOk = 200;

RespostaViaCep leViaCep(int status, const QString &corpo)
{
    return status == kStatusOk ? RespostaViaCep::le(corpo) : RespostaViaCep{};
}

} // namespace

const std::array<ProvedorCep, 2> kProvedoresCep{{
    {cepServiceUrl, urlConsultaCep, leViaCep},
    {cepFallbackUrl, urlBrasilApi, RespostaViaCep::leBrasilApi},
}};

PausaProvedores &PausaProvedores::doProcesso()
{
    static PausaProvedores pausas;
    return pausas;
}

QDateTime PausaProvedores::suspensoAte(const QString &base) const
{
    const auto p = m_pausas.constFind(base);
    return p == m_pausas.cend() || p->prazo.hasExpired() ? QDateTime() : p->ate;
}

void PausaProvedores::suspende(const QString &base, int segundos)
{
    m_pausas.insert(base, {QDeadlineTimer(qint64(segundos) * 1000),
                           QDateTime::currentDateTime().addSecs(segundos)});
}

void PausaProvedores::liberaTodos()
{
    m_pausas.clear();
}

} // namespace cadcons
