#pragma once

#include "HostExport.h"
#include "MensagemDialog.h"

class DataSetModel;
class QLineEdit;
class QTableView;

namespace kvt {
class DataSet;
}

// The host's colours for the list (stored colour values; 0 keeps the default).
struct PesquisaCores
{
    int cabecalho = 0;      // heading face
    int textoCabecalho = 0; // heading text
    int selecao = 0;        // chosen row face
    int textoSelecao = 0;   // chosen row text
};

// The list dialog: the visible columns of a data set under their display labels, narrowed by
// what is typed. Choosing a row makes it the data set's current row and accepts the dialog.
class HOSTZET_SCREEN_EXPORT PesquisaDialog : public TouchDialog
{
    Q_OBJECT

public:
    PesquisaDialog(kvt::DataSet &tabela, const PesquisaCores &cores, QWidget *parent = nullptr);

    QLineEdit *searchLine() const { return m_search; }
    QTableView *view() const { return m_view; }
    DataSetModel *model() const { return m_model; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterPressed() override;

private:
    void narrow(const QString &text);
    void choose(int row);
    void selectRow(int row);
    bool moveByKey(int key);
    void applyColours(const PesquisaCores &cores);
    void sizeColumns();

    kvt::DataSet &m_tabela;
    DataSetModel *m_model;
    QTableView *m_view;
    QLineEdit *m_search;
};
