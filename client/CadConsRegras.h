#pragma once

#include "CadConsEdicao.h"
#include "toolkit/MemTable.h"

#include <QString>

struct ConsumidorArgs;

// The checks of the fields, the confirmation and the save of the registration screen, without
// any widget: they read and write the texts, move the current field and speak to the operator
// through the editing model's interfaces, and call the data service.
class CadConsRegras
{
public:
    CadConsRegras(CadConsEdicao &edicao, CadConsEdicao::Textos &textos, CadConsEdicao::Acoes &acoes,
                  const CadConsEdicao::Mensagens &mensagens);

    // The leaving checks. A failure that must end the user action shows its message, sets the
    // current field and raises the silent abort; false is an empty mandatory field.
    void Vd_DtNasc(bool boTestaVazio);
    void Vd_Cpf();
    bool Vd_Telefones(const QString &telefone, bool boTestaVazio, int idTelefone);
    bool vd_Identidade(bool boTestaVazio);
    bool Vd_Cep();

    // The confirmation's steps up to the success message; true when the consumer was stored
    // and the screen must close. A second call while one runs (its messages keep the event
    // loop turning) does nothing.
    bool confirma();
    // The arguments of the save as the screen stands.
    ConsumidorArgs argumentosConsumidor() const;

    kvt::MemTable cdsConsumidor;
    kvt::MemTable cdsPais_Estado;

private:
    QString texto(int campo) const { return m_textos.texto(campo); }
    // Shows the message, clears the field, makes `numero` current and ends the user action.
    [[noreturn]] void rejeita(const char *chave, int tipo, int limpar, int numero,
                              const QString &nome = {});
    // A failed confirmation step: its message (none when the check has spoken), the field.
    bool falha(const char *chave, int numero);
    bool salva();
    // The country and state cache; a warning text when it could not be written.
    QString gravaCache();

    CadConsEdicao &m_edicao;
    CadConsEstado &m_estado;
    CadConsEdicao::Textos &m_textos;
    CadConsEdicao::Acoes &m_acoes;
    const CadConsEdicao::Mensagens &m_mensagens;
    bool m_confirmando = false;
};
