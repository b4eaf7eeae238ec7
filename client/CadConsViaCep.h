#pragma once

#include "CadConsEdicao.h"
#include "toolkit/MemTable.h"

#include <QBuffer>
#include <QString>
#include <QVariant>

// The postal-code web look-up, run when the system's own postal-code table has no row, and the
// mapping of its answer onto the system's codes, without any widget. It never shows a message:
// what went wrong is in the day's log.
class CadConsViaCep
{
public:
    CadConsViaCep(CadConsEdicao::Textos &textos, CadConsEdicao::Acoes &acoes,
                  CadConsEstado &estado);

    // Fills the address from the answer for the postal code on the screen; an error is logged
    // and clears what it could not resolve. Raises kvt::Exception when even that log line
    // cannot be written.
    void preencheEndViaCep();
    // Fresh streams and table for a request.
    void preparaConsultaCEP();
    // Fills the one row of cdsConsultaViaCEP from stConsultaCep. Returns why the answer is no
    // JSON object, else empty; the service's "not found" leaves the table empty too.
    QString getConsultaViaCEP();
    // Appends one line to the day's log; raises kvt::Exception when the file fails.
    void log(const QString &Msg);

    // The request's time-out in seconds, as RequisicaoHTTP takes it.
    QString stTempoLimiteCep = QStringLiteral("30");

    kvt::MemTable cdsMunicipioIBGE;
    kvt::MemTable cdsEstadoViaCEP;
    kvt::MemTable cdsMunicipioViaCep;
    kvt::MemTable cdsBairroViaCep;
    kvt::MemTable cdsConsultaViaCEP;

private:
    // The request: fresh streams and table, the service asked, every step logged.
    void consultaViaCep(const QString &cep);

    CadConsEdicao::Textos &m_textos;
    CadConsEdicao::Acoes &m_acoes;
    CadConsEstado &m_estado;
    QString stErroRequisicao;
    QString stConsultaCep;
    QBuffer cepResponse;
    QBuffer cepHeader;
    QVariant arCep;
};
