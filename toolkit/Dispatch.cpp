#include "Dispatch.h"

#include <QtGlobal>

namespace kvt {

namespace {

// The one handler of the process: the host library installs it once, before any screen runs.
ErrorHandler &generalHandler()
{
    static ErrorHandler handler;
    return handler;
}

} // namespace

void setGeneralErrorHandler(ErrorHandler handler)
{
    generalHandler() = std::move(handler);
}

void showGeneralError(const QString &message)
{
    // Called from dispatch(), which must not throw: a failing handler falls back to the log.
    const ErrorHandler &handler = generalHandler();
    if (handler) {
        try {
            handler(message);
            return;
        } catch (const Exception &e) {
            qWarning("General error handler failed: %s", qUtf8Printable(e.message()));
        } catch (const std::exception &e) {
            qWarning("General error handler failed: %s", e.what());
        } catch (...) {
            qWarning("General error handler failed");
        }
    }
    qWarning("%s", qUtf8Printable(message));
}

} // namespace kvt
