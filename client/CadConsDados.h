#pragma once

#include "Cli_Kvt04410.h"
#include "toolkit/FieldDef.h"

#include <QList>
#include <QRect>
#include <QStringList>

#include <array>
#include <initializer_list>

class QLabel;

// Design-time data of the registration form, shared by its source files.
namespace cadcons {

// The form's colours, as the system stores them (see kvt::tcolor).
constexpr int kCorMoldura = 2907084;           // frames and the form's own border
constexpr int kCorBorda = 15391193;            // field borders; also the keyboard panels
constexpr int kCorPainelConsumidor = 14941679; // face of the consumer area
constexpr int kCorConfirmar = 6610210;         // the Confirmar button

// The columns a table of the form has at design time; empty for tables that take whatever
// their packet or file brings.
QList<kvt::FieldDef> colunasProjeto(const QString &tabela);

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

// A column copied into a field.
struct ColunaCampo
{
    const char *coluna;
    kvt::TouchButton *TfrmCadCons::*campo;
};

// Copies columns of the current row into the fields, as text; dates in the short date format.
// Every column is looked up first, so a missing one fails before anything is written.
void copiaColunas(TfrmCadCons &form, const kvt::DataSet &origem,
                  std::initializer_list<ColunaCampo> colunas);

// Loads a service packet into the table; a call that failed with an error text raises that text
// instead of a complaint about the packet.
void carrega(kvt::MemTable &tabela, const QVariant &resultado, const QString &funcao);

// Fields 1..18 in number order.
const std::array<CampoForm, TfrmCadCons::kNumCampos> &camposForm();

} // namespace cadcons
