#pragma once

#include "HostExport.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace kvt {
class DataSet;
}

// The host's screen services, procedure variables filled before the module is used. Each has a
// real dialog by default (installDefaultScreenServices); tests and the replay mode replace them.
// They live in the screen-services library, apart from the widget-free host library.

// List dialog: true when the operator chose a row, which is then the table's current row.
using PesquisaProc = std::function<bool(kvt::DataSet &tabela, int modo, const QString &pais,
                                        int cor1, int cor2, int cor3, int cor5, int extra)>;
// The fiscal menu.
using RelFiscaisProc = std::function<void()>;
// Fingerprint capture: fills elements 0 and 1 of `retorno` (a QVariantList) with the templates.
using DigitalConsumidorProc =
    std::function<void(int a, int b, const QString &nome, QVariant &retorno)>;

HOSTZET_SCREEN_EXPORT extern PesquisaProc Pesquisa;
HOSTZET_SCREEN_EXPORT extern RelFiscaisProc RelFiscais;
HOSTZET_SCREEN_EXPORT extern DigitalConsumidorProc DigitalConsumidor;

// Installs the host's own dialogs into the three variables and as Mensagem's presenter.
HOSTZET_SCREEN_EXPORT void installDefaultScreenServices();
// Makes Mensagem show the host's message dialog when no handler is set (in a widget
// application; elsewhere the text goes to the log).
HOSTZET_SCREEN_EXPORT void installMensagemDialog();
