#pragma once

#include "CadConsTabelas.h"
#include "Cli_Kvt04410.h"

#include <QRect>

class QLabel;

// Design-time data of the registration form, shared by its source files.
namespace cadcons {

// The form's colours, as the system stores them (see kvt::tcolor).
constexpr int kCorMoldura = 2907084;           // frames and the form's own border
constexpr int kCorBorda = 15391193;            // field borders; also the keyboard panels
constexpr int kCorPainelConsumidor = 14941679; // face of the consumer area
constexpr int kCorConfirmar = 6610210;         // the Confirmar button

// The controls of one numbered input field, in the consumer panel for 1..10, on the form for
// 11..18: what it accepts, loads and saves is its row in cadcons::kCampos.
struct CampoForm
{
    kvt::TouchButton *TfrmCadCons::*campo;
    QLabel *TfrmCadCons::*rotulo;
    const char *nomeRotulo;
    kvt::RoundShape *TfrmCadCons::*borda; // nullptr for field 8, whose border is a button
    const char *nomeBorda;
    QRect rect;
    QRect rectRotulo;
};

} // namespace cadcons
