#include "CadConsDica.h"

#include "CadConsColunas.h"
#include "host/HostZet.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"

#include <QList>
#include <QVariant>

#include <functional>
#include <optional>

namespace {

using namespace cadcons;

// A telephone is worth looking up from its tenth digit: area code and number.
constexpr int kDigitosTelefone = 10;
// Consumer codes are the CPF zero-filled to this width when the save made them.
constexpr int kLarguraConsumidor = 21;

// The columns every look-up reads: the consumer's key and name.
QStringList colunasResultado()
{
    return {QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR"),
            QStringLiteral("NMCONSUMIDOR")};
}

struct Achado
{
    QString cliente, consumidor, nome;
};

// The first of the rows in the list's key order, leaving out `exceto`; two rows of each
// look-up are enough, since only one can be the excepted one.
void junta(std::optional<Achado> &melhor, const QList<QVariantList> &linhas,
           const std::function<bool(const Achado &)> &exceto)
{
    for (const QVariantList &linha : linhas) {
        const Achado a{linha.at(0).toString(), linha.at(1).toString(), linha.at(2).toString()};
        if (exceto(a))
            continue;
        if (!melhor || std::make_pair(a.cliente, a.consumidor) <
                           std::make_pair(melhor->cliente, melhor->consumidor))
            melhor = a;
    }
}

} // namespace

CadConsDica::CadConsDica(const CadConsEdicao &edicao, const CadConsEdicao::Textos &textos)
    : m_edicao(edicao), m_textos(textos)
{
}

void CadConsDica::avisa(const QString &aviso)
{
    m_aviso = aviso;
    m_avisoMostrado = false;
}

const QString &CadConsDica::atualiza()
{
    if (!m_aviso.isEmpty() && !m_avisoMostrado) {
        m_avisoMostrado = true;
        return m_aviso;
    }
    m_aviso.clear();
    const int campo = m_edicao.inLblAtiv;
    const QString texto = campo == Cpf || campoTelefone(campo) ? m_textos.texto(campo) : QString();
    if (campo == m_campo && texto == m_texto)
        return m_linha;
    m_campo = campo;
    m_texto = texto;
    try {
        m_linha = procura(campo, texto);
    } catch (const kvt::Exception &) {
        // A hint never speaks: what the database says reaches the operator with the check on
        // Enter. Asked again at the next change.
        m_linha.clear();
        m_campo = -1;
    }
    return m_linha;
}

QString CadConsDica::procura(int campo, const QString &texto) const
{
    if (!m_edicao.estado.adqPesqConsumidor)
        return {};
    if (campoTelefone(campo))
        return telefone(texto);
    if (campo == Cpf)
        return cpf(texto);
    return {};
}

QString CadConsDica::telefone(const QString &texto) const
{
    if (SoNumerosStr(texto).size() < kDigitosTelefone)
        return {};
    const CadConsEstado &e = m_edicao.estado;
    // As the telephone check: any consumer of the list but the one being edited.
    const auto esteConsumidor = [&e](const Achado &a) {
        return e.esteConsumidor(a.cliente, a.consumidor);
    };
    std::optional<Achado> achado;
    for (const QString &coluna : colunasTelefone()) {
        for (const QString &forma : formasTelefone(texto))
            junta(achado, e.adqPesqConsumidor->lookupRows({coluna}, {forma}, colunasResultado(), 2),
                  esteConsumidor);
    }
    return achado ? QStringLiteral("Telefone já cadastrado: ") + achado->nome : QString();
}

QString CadConsDica::cpf(const QString &texto) const
{
    if (!CPFOk(texto))
        return {};
    const CadConsEstado &e = m_edicao.estado;
    // As the CPF check: a consumer of this client whose CPF, or whose code made from a CPF,
    // is this one.
    const auto esteConsumidor = [&e](const Achado &a) {
        return e.esteConsumidor(e.stCdCliente, a.consumidor);
    };
    const QString cliente = QStringLiteral("CDCLIENTE");
    std::optional<Achado> achado;
    junta(achado,
          e.adqPesqConsumidor->lookupRows({cliente, QStringLiteral("NRCPFRESPCON")},
                                          {e.stCdCliente, texto}, colunasResultado(), 2),
          esteConsumidor);
    junta(achado,
          e.adqPesqConsumidor->lookupRows({cliente, QStringLiteral("CDCONSUMIDOR")},
                                          {e.stCdCliente, Ajusta(texto, kLarguraConsumidor)},
                                          colunasResultado(), 2),
          esteConsumidor);
    return achado ? QStringLiteral("CPF já cadastrado: ") + achado->nome : QString();
}
