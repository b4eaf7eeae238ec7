#pragma once

#include "CadConsCampos.h"
#include "CadConsEstado.h"

#include <QChar>
#include <QString>

#include <functional>

// The editing state of the registration screen without any widget: the field being edited, the
// one-shot Shift and the Caps Lock, the key steps of the form's key-down and key-press handlers
// under each field's rules (cadcons::kCampos), the navigation between fields and what the screen
// knows besides its texts. The form backs the texts with its touch buttons and carries out the
// actions; tests back both with plain data.
class CadConsEdicao
{
public:
    static constexpr int kNumCampos = cadcons::kNumCampos;
    static constexpr int kNumTextos = cadcons::kNumTextos;

    // Windows virtual-key codes the key handler is written for.
    enum Tecla : int {
        VK_BACK = 8,
        VK_RETURN = 13,
        VK_SHIFT = 16,
        VK_CAPITAL = 20,
        VK_ESCAPE = 27,
        VK_F1 = 112,
        VK_F2 = 113,
        VK_F3 = 114,
        VK_F4 = 115,
        VK_F9 = 120,
        VK_OEM_MINUS = 189,
    };
    enum Modificador : int { Shift = 1, Alt = 2, Ctrl = 4 };

    using Verificacao = cadcons::Verificacao;

    // Where the texts live (the numbers of cadcons::Campo).
    class Textos
    {
    public:
        virtual ~Textos() = default;
        virtual QString texto(int numero) const = 0;
        virtual void setTexto(int numero, const QString &texto) = 0;
    };

    // What the keys start beyond editing.
    class Acoes
    {
    public:
        virtual ~Acoes() = default;
        // Runs a leaving check; false stops the key (the check has spoken), the silent abort
        // passes through.
        virtual bool verifica(Verificacao verificacao, bool avanca) = 0;
        virtual void capturaDigital() = 0;
        virtual void sair() = 0;
        virtual bool confirmarHabilitado() const = 0;
        virtual void confirmar() = 0;
        virtual bool pesquisaHabilitada() const = 0;
        virtual void pesquisaConsumidor() = 0;
        virtual void abreLista(int campo) = 0;
        virtual bool utilizaImpFis() const = 0;
        virtual void menuFiscal() = 0;
        virtual void mudaCor() = 0;
        // The letter keys show upper or lower case.
        virtual void mostraMaiusculas(bool maiusculas) = 0;
        // Runs a call the operator waits for (the web postal-code request), showing that the
        // screen is busy meanwhile.
        virtual void aguarda(const std::function<void()> &chamada) { chamada(); }
    };

    // The operator's messages, by key of the messages table; "%s" is replaced by `nome`.
    class Mensagens
    {
    public:
        virtual ~Mensagens() = default;
        virtual void mensagem(const char *chave, int tipo, const QString &nome = {}) const = 0;
    };

    CadConsEdicao(Textos &textos, Acoes &acoes);

    int inLblAtiv = 0;
    bool boShift = false;
    bool boUpperCase = false;
    CadConsEstado estado;

    // Appends one character (two for the date's automatic slash) to field inTag, or deletes its
    // last character and clears the fields that depend on the current field.
    void postaTexto(int inTag, const QString &stNumAdd, bool boBckSpc);
    // The key-down steps; returns the key, 0 when it must go no further (Alt+F4).
    int FormKeyDown(int key, int shift);
    // The key-press filter: passes on what the current field accepts.
    void FormKeyPress(QChar key);
    // Whether an on-screen key's character would be appended to the current field now: the
    // same rules and length limits postaTexto applies.
    bool aceita(QChar caractere) const;

    void shiftClick();
    void capsLockClick();
    // A touch on a field: telephones show their text in the mask first; no check runs.
    void selecionaCampo(int numero);
    // Empties the current field only.
    void limpaCampo();
    // Puts the three telephones into the telephone mask.
    void mascaraTelefones();

private:
    // What an append of `stNumAdd` to field `inTag` holding `texto` adds before the case is
    // applied; a null text when the field's rule refuses it.
    static QString anexo(int inTag, const QString &texto, const QString &stNumAdd);
    // A leaving check; false stops the key.
    bool saiDoCampo(int campo, bool avanca);
    bool vazio(int numero) const;
    void relabel(bool maiusculas);

    Textos &m_textos;
    Acoes &m_acoes;
};
