#include "Cli_Kvt04410.h"

#include "CadConsDados.h"
#include "toolkit/Colors.h"
#include "toolkit/Dispatch.h"
#include "toolkit/PictureButton.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>

TfrmCadCons *frmCadCons = nullptr;
QString stDigital;
QString stDigital2;

TfrmCadCons::TfrmCadCons(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      cdsPais(QStringLiteral("cdsPais"), cadcons::colunasProjeto(QStringLiteral("cdsPais"))),
      cdsEstado(QStringLiteral("cdsEstado"), cadcons::colunasProjeto(QStringLiteral("cdsEstado"))),
      cdsMunicipio(QStringLiteral("cdsMunicipio"),
                   cadcons::colunasProjeto(QStringLiteral("cdsMunicipio"))),
      cdsBairro(QStringLiteral("cdsBairro"), cadcons::colunasProjeto(QStringLiteral("cdsBairro"))),
      cdsTipoVenda(QStringLiteral("cdsTipoVenda"),
                   cadcons::colunasProjeto(QStringLiteral("cdsTipoVenda"))),
      cdsParametrosZet(QStringLiteral("cdsParametrosZet")),
      cdsEndeFili(QStringLiteral("cdsEndeFili")), cdsConsumidor(QStringLiteral("cdsConsumidor")),
      cdsInfCep(QStringLiteral("cdsInfCep")),
      cdsPais_Estado(QStringLiteral("cdsPais_Estado"),
                     cadcons::colunasProjeto(QStringLiteral("cdsPais_Estado"))),
      cdsMunicipioIBGE(QStringLiteral("cdsMunicipioIBGE"),
                       cadcons::colunasProjeto(QStringLiteral("cdsMunicipioIBGE"))),
      cdsEstadoViaCEP(QStringLiteral("cdsEstadoViaCEP"),
                      cadcons::colunasProjeto(QStringLiteral("cdsEstadoViaCEP"))),
      cdsMunicipioViaCep(QStringLiteral("cdsMunicipioViaCep"),
                         cadcons::colunasProjeto(QStringLiteral("cdsMunicipioViaCep"))),
      cdsBairroViaCep(QStringLiteral("cdsBairroViaCep"),
                      cadcons::colunasProjeto(QStringLiteral("cdsBairroViaCep"))),
      cdsConsultaViaCEP(QStringLiteral("cdsConsultaViaCEP"),
                        cadcons::colunasProjeto(QStringLiteral("cdsConsultaViaCEP")))
{
    setObjectName(QStringLiteral("frmCadCons"));
    setWindowTitle(QStringLiteral("Cadastro de Consumidor"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);
    QFont fonte(QStringLiteral("MS Sans Serif"));
    fonte.setPixelSize(11);
    setFont(fonte);
    resize(797, 604);

    criaControles();

    kvt::bindHandler(sbtSair, &QAbstractButton::clicked, this, &TfrmCadCons::sbtSairClick);
}

TfrmCadCons::~TfrmCadCons() = default;

kvt::TouchButton *TfrmCadCons::campo(int numero) const
{
    return numero >= 1 && numero <= kNumCampos ? m_campos[numero] : nullptr;
}

QWidget *TfrmCadCons::borda(int numero) const
{
    return numero >= 1 && numero <= kNumCampos ? m_bordas[numero] : nullptr;
}

void TfrmCadCons::sbtSairClick()
{
    stResult = QStringLiteral("SAIR");
    accept();
}

bool TfrmCadCons::event(QEvent *event)
{
    // Tab and Backtab would otherwise be taken for focus moves before keyPressEvent sees them.
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent *>(event));
        return true;
    }
    return QDialog::event(event);
}

void TfrmCadCons::keyPressEvent(QKeyEvent *event)
{
    // The form handles every key itself: QDialog would reject on Escape and look for a default
    // button on Enter.
    event->accept();
}

void TfrmCadCons::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    QPen caneta(kvt::tcolor(cadcons::kCorMoldura));
    caneta.setWidth(2);
    caneta.setJoinStyle(Qt::MiterJoin);
    painter.setPen(caneta);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}
