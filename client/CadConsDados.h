#pragma once

#include "CadConsColunas.h"
#include "CadConsTabelas.h"
#include "Cli_Kvt04410.h"
#include "toolkit/FieldDef.h"

#include <QList>
#include <QRect>
#include <QStringList>

#include <array>
#include <vector>

class QLabel;

// Design-time data of the registration form, shared by its source files.
namespace cadcons {

// The form's colours, as the system stores them (see kvt::tcolor).
constexpr int kCorMoldura = 2907084;           // frames and the form's own border
constexpr int kCorBorda = 15391193;            // field borders; also the keyboard panels
constexpr int kCorPainelConsumidor = 14941679; // face of the consumer area
constexpr int kCorConfirmar = 6610210;         // the Confirmar button

// The lines of the form's messages component, "KEY|text".
QStringList linhasMensagens();

// One numbered input field: its control, label and border and where it sits (in the consumer
// panel for 1..10, on the form for 11..18). What it accepts is CadConsEdicao's.
struct CampoForm
{
    int numero;
    kvt::TouchButton *TfrmCadCons::*campo;
    const char *nomeCampo;
    QLabel *TfrmCadCons::*rotulo;
    const char *nomeRotulo;
    const char *legenda;                  // UTF-8
    kvt::RoundShape *TfrmCadCons::*borda; // nullptr for field 8, whose border is a button
    const char *nomeBorda;
    QRect rect;
    QRect rectRotulo;
    const char *coluna;
};

// Fields 1..18 in number order.
const std::array<CampoForm, TfrmCadCons::kNumCampos> &camposForm();

} // namespace cadcons
