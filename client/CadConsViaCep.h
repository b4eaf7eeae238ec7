#pragma once

#include "CadConsEdicao.h"
#include "ProvedoresCep.h"
#include "toolkit/MemTable.h"

#include <QBuffer>
#include <QHash>
#include <QString>
#include <QVariant>

// The postal-code web look-up, run when the system's own postal-code table has no row, and the
// mapping of its answer onto the system's codes, without any widget. It asks the answers kept on
// the terminal, then each web service in turn, and never shows a message: what went wrong is in
// the day's log, and aviso() is the line the operator is told.
class CadConsViaCep
{
public:
    static constexpr const char *kIndisponivel = "Consulta de CEP indisponível: digite o endereço.";
    static constexpr const char *kNaoEncontrado = "CEP não encontrado: digite o endereço.";

    CadConsViaCep(CadConsEdicao::Textos &textos, CadConsEdicao::Acoes &acoes,
                  CadConsEstado &estado);

    // Fills the address from the answer for the postal code on the screen; an error is logged
    // and clears what it could not resolve. Raises kvt::Exception when even that log line
    // cannot be written.
    void preencheEndViaCep();
    // What the last look-up tells the operator: kIndisponivel, kNaoEncontrado or nothing.
    const QString &aviso() const { return m_aviso; }
    // Fresh streams and table for a request.
    void preparaConsultaCEP();
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
    enum class Desfecho { Endereco, NaoEncontrado, SemResposta };

    // The look-up: fresh streams and table, the kept answer or the services asked in turn,
    // every step logged.
    Desfecho consultaViaCep(const QString &cep);
    // One request to one service, logged; arCep keeps its status.
    Desfecho pergunta(const cadcons::ProvedorCep &provedor, const QString &url);
    // The one row of cdsConsultaViaCEP from an answer's values, each fit for its column.
    void preencheConsulta(const QHash<QString, QString> &valores);

    CadConsEdicao::Textos &m_textos;
    CadConsEdicao::Acoes &m_acoes;
    CadConsEstado &m_estado;
    QString stErroRequisicao;
    QString stConsultaCep;
    QBuffer cepResponse;
    QBuffer cepHeader;
    QVariant arCep;
    QString m_aviso;
};
