#include "Cli_Kvt04410.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

namespace {

// While the request runs the screen shows it is busy and drops the operator's input: keys held
// back until the answer would otherwise land in whatever field the look-up moves on to.
class EsperaRequisicao : public QObject
{
public:
    EsperaRequisicao()
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~EsperaRequisicao() override
    {
        // Input the wait held back is delivered now, to this filter.
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
    }
    EsperaRequisicao(const EsperaRequisicao &) = delete;
    EsperaRequisicao &operator=(const EsperaRequisicao &) = delete;

protected:
    bool eventFilter(QObject *, QEvent *event) override { return event->isInputEvent(); }
};

} // namespace

void TfrmCadCons::aguarda(const std::function<void()> &chamada)
{
    const EsperaRequisicao espera;
    chamada();
}
