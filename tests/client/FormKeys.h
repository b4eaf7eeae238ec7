#pragma once

#include "client/Cli_Kvt04410.h"
#include "toolkit/Dispatch.h"
#include "toolkit/TouchButton.h"

// Keys on the registration form, through its handlers and the dispatch the key event uses, so
// a silent abort ends the key as it does on the screen.
inline void tecla(TfrmCadCons &form, int key, int shift = 0)
{
    kvt::dispatch([&] { form.FormKeyDown(key, shift); });
}

// Touches field `numero`, empties it, types `texto` on the keyboard.
inline void digita(TfrmCadCons &form, int numero, const QString &texto)
{
    form.campoClick(numero);
    form.campo(numero)->setCaption(QString());
    for (QChar c : texto)
        kvt::dispatch([&] { form.FormKeyPress(c); });
}

// The same, then Enter.
inline void preencheEConfirma(TfrmCadCons &form, int numero, const QString &texto)
{
    digita(form, numero, texto);
    tecla(form, CadConsEdicao::VK_RETURN);
}
