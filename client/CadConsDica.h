#pragma once

#include "CadConsEdicao.h"

#include <QString>

// The line that tells the operator, while he types a telephone or a CPF, which consumer already
// holds it: the one the check on Enter or at the confirmation would name, never the consumer
// being edited. Answered by keyed look-ups in the consumer list, past its filter and without
// changing it; it never shows a message and never moves the current field.
class CadConsDica
{
public:
    CadConsDica(const CadConsEdicao &edicao, const CadConsEdicao::Textos &textos);

    // The line for the field being edited as it stands; empty when there is nothing to tell.
    // The list is asked again only when the field or its text has changed.
    const QString &atualiza();
    const QString &linha() const { return m_linha; }
    // A notice that takes the line's place at the next atualiza() and is gone at the one after,
    // that is until the next key: atualiza() runs once after every key and touch.
    void avisa(const QString &aviso);

private:
    QString procura(int campo, const QString &texto) const;
    QString telefone(const QString &texto) const;
    QString cpf(const QString &texto) const;

    const CadConsEdicao &m_edicao;
    const CadConsEdicao::Textos &m_textos;
    int m_campo = -1;
    QString m_texto;
    QString m_linha;
    QString m_aviso;
    bool m_avisoMostrado = false;
};
