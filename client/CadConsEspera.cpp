#include "Cli_Kvt04410.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

namespace {

// While a call the operator waits for runs, the screen shows it is busy and holds his keys
// back: an operator on the telephone types on while the answer comes. The keys are delivered
// after the call, in the order typed, to the field that is current then, as if typed
// afterwards. Touches and clicks are dropped: the operator cannot know what they would hit
// once the call has moved the screen on.
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
        // Input that arrived during the call and is still queued is held back too.
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
        // Posted, so they run once the handler that waited has finished its own steps.
        for (auto &[receptor, tecla] : m_teclas) {
            if (receptor)
                QCoreApplication::postEvent(receptor, tecla.release());
        }
    }
    EsperaRequisicao(const EsperaRequisicao &) = delete;
    EsperaRequisicao &operator=(const EsperaRequisicao &) = delete;

protected:
    bool eventFilter(QObject *receptor, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            m_teclas.emplace_back(receptor, event->clone());
            return true;
        }
        return event->isInputEvent();
    }

private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_teclas;
};

} // namespace

void TfrmCadCons::aguarda(const std::function<void()> &chamada)
{
    const EsperaRequisicao espera;
    chamada();
}
