#pragma once

#include "client/Cli_Kvt04410.h"
#include "toolkit/Dispatch.h"
#include "toolkit/MemTable.h"
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

// A control of the form by its name; the test fails on a null pointer when it is not there.
template <class W = QWidget> W *controle(const QObject &form, const char *nome)
{
    return form.findChild<W *>(QString::fromLatin1(nome));
}

// An in-memory table of the form by its name, nullptr when it has none of that name.
inline kvt::MemTable *tabela(TfrmCadCons &form, const char *nome)
{
    for (kvt::MemTable *t : form.tabelas()) {
        if (t->name() == QLatin1String(nome))
            return t;
    }
    return nullptr;
}
