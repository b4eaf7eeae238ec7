#pragma once

#include "ToolkitExport.h"

#include <QString>

#include <stdexcept>

namespace kvt {

// Base of every error the toolkit, the host library and the module raise. The text is what the
// operator sees, so it is kept as QString; what() gives it in UTF-8 for std::exception users.
class KVT_TOOLKIT_EXPORT Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The silent abort: raised by a check after it has told the operator; discarded by dispatch().
class KVT_TOOLKIT_EXPORT EAbort : public Exception
{
public:
    EAbort();
};

// Data-set errors: a missing field, a malformed packet or file, an operation on a closed table.
class KVT_TOOLKIT_EXPORT EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// Raises the silent abort.
[[noreturn]] KVT_TOOLKIT_EXPORT void Abort();

} // namespace kvt
