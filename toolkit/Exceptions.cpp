#include "Exceptions.h"

namespace kvt {

Exception::Exception(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

EAbort::EAbort() : Exception(QStringLiteral("Operation aborted")) {}

void Abort()
{
    throw EAbort();
}

} // namespace kvt
