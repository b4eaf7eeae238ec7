#pragma once

#include "Exceptions.h"
#include "ToolkitExport.h"

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace kvt {

// The general error handler: shows an error that no handler caught. The host library installs
// one that goes through Mensagem; until then errors go to qWarning.
using ErrorHandler = std::function<void(const QString &message)>;
KVT_TOOLKIT_EXPORT void setGeneralErrorHandler(ErrorHandler handler);
KVT_TOOLKIT_EXPORT void showGeneralError(const QString &message);

// Every event handler runs through here, so no exception crosses the Qt event loop: the silent
// abort is dropped without a word, anything else is shown once by the general error handler.
template <class F> void dispatch(F &&handler) noexcept
{
    try {
        std::forward<F>(handler)();
    } catch (const EAbort &) {
        // The check that raised it has already told the operator.
    } catch (const Exception &e) {
        showGeneralError(e.message());
    } catch (const std::exception &e) {
        showGeneralError(QString::fromUtf8(e.what()));
    } catch (...) {
        showGeneralError(QStringLiteral("Erro desconhecido."));
    }
}

// Connects a signal to a member handler through dispatch().
template <class Sender, class Signal, class Receiver>
void bindHandler(Sender *sender, Signal signal, Receiver *receiver, void (Receiver::*handler)())
{
    QObject::connect(sender, signal, receiver, [receiver, handler] {
        dispatch([receiver, handler] { (receiver->*handler)(); });
    });
}

} // namespace kvt
