#pragma once

#include "CadConsEdicao.h"
#include "toolkit/MemTable.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <array>

class CadConsRegras;

namespace kvt {
class DataSet;
}

// One sale type of the fixed list the sale-type picker offers.
struct TipoVenda
{
    const char *cdTipoVenda;
    const char *nmTipoVenda; // UTF-8
};

extern const std::array<TipoVenda, 7> arTipoVenda;

// The registration screen's reference look-ups without any widget: the screen's opening (the
// consumer list, the consumer to edit, the branch's address), the look-up or check run when a
// field is left, the pickers and the consumer search. Each copies what it found into the fields
// the field table (cadcons::kCampos) names for its columns. It never shows a list itself: the
// screen does, through Tela.
class CadConsBuscas
{
public:
    // What the look-ups ask of the screen beyond its texts.
    class Tela
    {
    public:
        virtual ~Tela() = default;
        // The list dialog over `tabela`, in the screen's colours or the plain ones; true when a
        // row was chosen (the current one).
        virtual bool escolheNaLista(kvt::DataSet &tabela, const QString &pais, bool cores) = 0;
        // The neighbourhood on the screen was taken from the current row of `origem`.
        virtual void anotaEntrega(const kvt::DataSet &origem) = 0;
        // The system's own postal-code table has no row for the code typed.
        virtual void preencheEndViaCep() = 0;
    };

    CadConsBuscas(CadConsEdicao::Textos &textos, const CadConsEdicao::Mensagens &mensagens,
                  CadConsEstado &estado, CadConsRegras &regras, Tela &tela);

    // The screen's opening after the parameters are read: the branch's consumer list and the
    // sale types, then the consumer to edit, or the host's telephone and the branch's address.
    void abre();

    // The check or look-up run when a field is left; false stops the key (it has spoken).
    bool verifica(CadConsEdicao::Verificacao verificacao, bool avanca);

    // The pickers, each copying the chosen row; abreLista opens field `campo`'s own.
    void abreLista(int campo);
    void escolhePais();
    void escolheEstado();
    void escolheMunicipio();
    void escolheBairro();
    void escolheTipoVenda();
    // The consumer search: every consumer of the list is offered; the chosen one is shown.
    void escolheConsumidor();
    // The sale-type picker's fixed list.
    void criaTiposVenda();

    // The in-memory tables the look-ups fill.
    kvt::MemTable cdsPais;
    kvt::MemTable cdsEstado;
    kvt::MemTable cdsMunicipio;
    kvt::MemTable cdsBairro;
    kvt::MemTable cdsTipoVenda;
    kvt::MemTable cdsEndeFili;
    kvt::MemTable cdsInfCep;

private:
    // The result check, then the first row of the answer or the message when there is none.
    QVariant confere(const QVariant &resultado, const QString &metodo,
                     const QString &argumentos) const;
    bool achou(kvt::MemTable &tabela, const char *naoEncontrado);
    // A picker's list: the result check, the filter cleared, the message when it is empty,
    // then the list dialog; true when a row was chosen.
    bool escolhe(kvt::MemTable &tabela, const QVariant &resultado, const QString &metodo,
                 const QString &argumentos, const char *listaVazia, const QString &pais);
    // Copies the columns of `campos` (and their name displays) from the current row.
    void copia(const kvt::DataSet &origem, std::initializer_list<int> campos);
    QString texto(int campo) const { return m_textos.texto(campo); }

    bool buscaCep();
    bool buscaPais();
    bool buscaEstado();
    bool buscaMunicipio(bool avanca);
    bool buscaBairro();

    // The sale type of the consumer row shown.
    void mostraTipoVenda();
    void preencheEnderecoFilial();
    void carregaConsumidor();

    CadConsEdicao::Textos &m_textos;
    const CadConsEdicao::Mensagens &m_mensagens;
    CadConsEstado &m_estado;
    CadConsRegras &m_regras;
    Tela &m_tela;
};
