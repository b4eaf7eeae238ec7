#include "ScreenServices.h"

#include "DigitalDialog.h"
#include "MensagemDialog.h"
#include "PesquisaDialog.h"
#include "toolkit/DataSet.h"

#include <QApplication>

PesquisaProc Pesquisa;
RelFiscaisProc RelFiscais;
DigitalConsumidorProc DigitalConsumidor;

namespace {
// The host's dialogs open over whatever is on top: the form, or a message above it.
QWidget *dialogParent()
{
    QWidget *parent = QApplication::activeModalWidget();
    return parent ? parent : QApplication::activeWindow();
}

bool pesquisaDialog(kvt::DataSet &tabela, int, const QString &, int cor1, int cor2, int cor3,
                    int cor5, int)
{
    // A closed table has no rows to offer.
    if (!tabela.active())
        return false;
    PesquisaDialog dialog(tabela, {cor1, cor2, cor3, cor5}, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

void relFiscaisDialog()
{
    MensagemDialog dialog(QStringLiteral("Menu Fiscal"), 1, dialogParent(),
                          QStringLiteral("Fechar"));
    dialog.exec();
}

void digitalDialog(int, int, const QString &nome, QVariant &retorno)
{
    DigitalDialog dialog(nome, dialogParent());
    dialog.exec();
    fillDigitalRetorno(retorno, dialog.templates());
}
} // namespace

void installDefaultScreenServices()
{
    Pesquisa = pesquisaDialog;
    RelFiscais = relFiscaisDialog;
    DigitalConsumidor = digitalDialog;
}
