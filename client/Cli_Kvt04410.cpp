#include "Cli_Kvt04410.h"

#include "CadConsDados.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Colors.h"
#include "toolkit/Dispatch.h"
#include "toolkit/PictureButton.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>

TfrmCadCons::TfrmCadCons(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      cdsParametrosZet(QStringLiteral("cdsParametrosZet"))
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
    ligaControles();
}

TfrmCadCons::~TfrmCadCons() = default;

kvt::TouchButton *TfrmCadCons::campo(int numero) const
{
    return numero >= 1 && numero <= cadcons::kNumTextos ? m_campos[numero] : nullptr;
}

QWidget *TfrmCadCons::borda(int numero) const
{
    return numero >= 1 && numero <= kNumCampos ? m_bordas[numero] : nullptr;
}

QList<kvt::MemTable *> TfrmCadCons::tabelas()
{
    return {&m_buscas.cdsPais,          &m_buscas.cdsEstado,         &m_buscas.cdsMunicipio,
            &m_buscas.cdsBairro,        &m_buscas.cdsTipoVenda,      &m_regras.cdsPais_Estado,
            &m_viaCep.cdsMunicipioIBGE, &m_viaCep.cdsEstadoViaCEP,   &m_viaCep.cdsMunicipioViaCep,
            &m_viaCep.cdsBairroViaCep,  &m_viaCep.cdsConsultaViaCEP, &cdsParametrosZet,
            &m_buscas.cdsEndeFili,      &m_regras.cdsConsumidor,     &m_buscas.cdsInfCep};
}

void TfrmCadCons::sbtSairClick()
{
    estado().stResult = QStringLiteral("SAIR");
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

namespace {

using E = CadConsEdicao;

// The Windows virtual-key code of a Qt key, for the keys the handlers know; 0 for the others.
int teclaVirtual(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return E::VK_RETURN;
    case Qt::Key_Backspace:
        return E::VK_BACK;
    case Qt::Key_Shift:
        return E::VK_SHIFT;
    case Qt::Key_CapsLock:
        return E::VK_CAPITAL;
    case Qt::Key_Escape:
        return E::VK_ESCAPE;
    // The key that carries "-" and "_"; with Shift the keyboard reports it by its "_".
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return E::VK_OEM_MINUS;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return E::VK_F1 + (key - Qt::Key_F1);
    // Letters and digits have the same codes in both.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    return 0;
}

int modificadores(Qt::KeyboardModifiers m)
{
    int shift = 0;
    if (m & Qt::ShiftModifier)
        shift |= E::Shift;
    if (m & Qt::AltModifier)
        shift |= E::Alt;
    if (m & Qt::ControlModifier)
        shift |= E::Ctrl;
    return shift;
}

} // namespace

void TfrmCadCons::keyPressEvent(QKeyEvent *event)
{
    // The form handles every key itself: QDialog would reject on Escape and look for a default
    // button on Enter.
    event->accept();
    int key = teclaVirtual(event->key());
    const int shift = modificadores(event->modifiers());
    QString texto = event->text();
    if (event->key() == Qt::Key_Backspace)
        texto = QString(QChar(E::VK_BACK));
    // Alt with a letter is a menu key, never a character.
    if (shift == E::Alt)
        texto.clear();
    // One key event runs both handlers; a check that aborts ends the whole key.
    kvt::dispatch([&] {
        FormKeyDown(key, shift);
        for (QChar c : std::as_const(texto))
            FormKeyPress(c);
    });
    kvt::dispatch([this] { mostraTecladoEDica(); });
}

void TfrmCadCons::FormKeyDown(int &Key, int Shift)
{
    const bool altF4 = Key == E::VK_F4 && Shift == E::Alt;
    Key = m_edicao.FormKeyDown(Key, Shift);
    if (altF4 && Key == 0)
        m_altF4.start();
}

void TfrmCadCons::FormKeyPress(QChar &Key)
{
    m_edicao.FormKeyPress(Key);
}

void TfrmCadCons::closeEvent(QCloseEvent *event)
{
    // Where the window system turns Alt+F4 into a close request, that request is the key's, and
    // the key only captures the fingerprint.
    if (m_altF4.isValid() && m_altF4.elapsed() < 1000) {
        m_altF4.invalidate();
        event->ignore();
        return;
    }
    event->accept();
    // Closed any other way, the screen leaves as Sair does.
    if (isVisible())
        kvt::dispatch([this] { sbtSairClick(); });
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
