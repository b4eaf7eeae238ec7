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

// List dialog: true when the operator chose a row, which is then the table's current row.
using PesquisaProc = std::function<bool(kvt::DataSet &tabela, int modo, const QString &pais,
                                        int cor1, int cor2, int cor3, int cor5, int extra)>;
// The fiscal menu.
using RelFiscaisProc = std::function<void()>;
// Fingerprint capture: fills elements 0 and 1 of `retorno` (a QVariantList) with the templates.
using DigitalConsumidorProc =
    std::function<void(int a, int b, const QString &nome, QVariant &retorno)>;

HOSTZET_EXPORT extern PesquisaProc Pesquisa;
HOSTZET_EXPORT extern RelFiscaisProc RelFiscais;
HOSTZET_EXPORT extern DigitalConsumidorProc DigitalConsumidor;

// Installs the host's own dialogs into the three variables (needs a QApplication).
HOSTZET_EXPORT void installDefaultScreenServices();
