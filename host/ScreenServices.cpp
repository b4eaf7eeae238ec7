#include "ScreenServices.h"

#include "DigitalDialog.h"
#include "HostZet.h"
#include "MensagemDialog.h"
#include "PesquisaDialog.h"
#include "toolkit/DataSet.h"

#include <QApplication>

PesquisaProc Pesquisa;
RelFiscaisProc RelFiscais;
DigitalConsumidorProc DigitalConsumidor;

namespace {
bool pesquisaDialog(kvt::DataSet &tabela, int, const QString &, int cor1, int cor2, int cor3,
                    int cor5, int)
{
    // A closed table has no rows to offer.
    if (!tabela.active())
        return false;
    PesquisaDialog dialog(tabela, {cor1, cor2, cor3, cor5}, TouchDialog::topWindow());
    return dialog.exec() == QDialog::Accepted;
}

void relFiscaisDialog()
{
    MensagemDialog dialog(QStringLiteral("Menu Fiscal"), 1, TouchDialog::topWindow(),
                          QStringLiteral("Fechar"));
    dialog.exec();
}

void digitalDialog(int, int, const QString &nome, QVariant &retorno)
{
    DigitalDialog dialog(nome, TouchDialog::topWindow());
    dialog.exec();
    fillDigitalRetorno(retorno, dialog.templates());
}
} // namespace

void installDefaultScreenServices()
{
    Pesquisa = pesquisaDialog;
    RelFiscais = relFiscaisDialog;
    DigitalConsumidor = digitalDialog;
    installMensagemDialog();
}

void installMensagemDialog()
{
    setMensagemPresenter([](const QString &texto, int tipo) {
        // A console program that uses the data service has no one to show a box to.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return false;
        showMensagemDialog(texto, tipo);
        return true;
    });
}
