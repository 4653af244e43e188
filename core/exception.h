// Exceptions of the whole system: a message (UTF-16) and a help context, with the platform's family
// of classes. EAbort is the silent exception: the application handler never shows it.
#pragma once

#include "core/string.h"

#include <exception>
#include <functional>
#include <string>

namespace core {

class Exception : public std::exception {
public:
    explicit Exception(String message = {}, int helpContext = 0);

    const String& Message() const { return m_message; }
    void SetMessage(String message);
    int HelpContext() const { return m_help_context; }
    void SetHelpContext(int context) { m_help_context = context; }

    // The message in UTF-8.
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    String m_message;
    int m_help_context = 0;
    std::string m_what;
};

// Base may be qualified (core::Exception): the alias keeps the inherited constructors' name plain.
#define CORE_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {             \
        using BaseException = Base;        \
                                           \
    public:                                \
        using BaseException::BaseException; \
    }

CORE_DECLARE_EXCEPTION(EAbort, Exception);
CORE_DECLARE_EXCEPTION(EConvertError, Exception);
CORE_DECLARE_EXCEPTION(EAssertionFailed, Exception);
CORE_DECLARE_EXCEPTION(EArgumentError, Exception);
CORE_DECLARE_EXCEPTION(EInvalidOperation, Exception);
CORE_DECLARE_EXCEPTION(EInvalidPointer, Exception);
CORE_DECLARE_EXCEPTION(ENotSupported, Exception);
CORE_DECLARE_EXCEPTION(ERangeError, Exception);
CORE_DECLARE_EXCEPTION(EIntOverflow, Exception);
CORE_DECLARE_EXCEPTION(EZeroDivide, Exception);
CORE_DECLARE_EXCEPTION(EOutOfMemory, Exception);
CORE_DECLARE_EXCEPTION(EListError, Exception);
CORE_DECLARE_EXCEPTION(EStringListError, Exception);
CORE_DECLARE_EXCEPTION(EComponentError, Exception);
CORE_DECLARE_EXCEPTION(EStreamError, Exception);
CORE_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
CORE_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
CORE_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
CORE_DECLARE_EXCEPTION(EReadError, EStreamError);
CORE_DECLARE_EXCEPTION(EWriteError, EStreamError);
CORE_DECLARE_EXCEPTION(EIniFileException, Exception);
CORE_DECLARE_EXCEPTION(EThread, Exception);
CORE_DECLARE_EXCEPTION(EVariantError, Exception);
CORE_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
CORE_DECLARE_EXCEPTION(EAbstractError, Exception);
// An object is not of the class a typecast asks for.
CORE_DECLARE_EXCEPTION(EInvalidCast, Exception);
CORE_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);

// An operating-system failure with its error code (GetLastError on Windows, errno on the host).
class EOSError : public Exception {
public:
    EOSError(String message, unsigned errorCode) : Exception(std::move(message)), m_error_code(errorCode) {}
    unsigned ErrorCode() const { return m_error_code; }

private:
    unsigned m_error_code;
};

// A failure of the compression library, with the code it returned (Z_DATA_ERROR, ...).
class EZLibError : public Exception {
public:
    EZLibError(String message, int errorCode) : Exception(std::move(message)), m_error_code(errorCode) {}
    int ErrorCode() const { return m_error_code; }

private:
    int m_error_code;
};
CORE_DECLARE_EXCEPTION(EZCompressionError, EZLibError);
CORE_DECLARE_EXCEPTION(EZDecompressionError, EZLibError);

// Raises the silent exception that unwinds an operation without a message.
[[noreturn]] void Abort();

// Raises EAssertionFailed with the platform's text: "<message> (<file>, line <n>)", where an empty
// message reads "Assertion failed". Assertions stay on in every build.
[[noreturn]] void AssertFailed(StringView message, const char* file, int line);
#define CORE_ASSERT(condition, message)                                   \
    do {                                                                  \
        if (!(condition))                                                 \
            ::core::AssertFailed((message), __FILE__, __LINE__);          \
    } while (0)

// The application-level handler that window procedures, timers and threads route to.
// It receives every exception but EAbort; with none installed, the message goes to standard error.
using ExceptionHandler = std::function<void(const std::exception&)>;
void SetApplicationExceptionHandler(ExceptionHandler handler);
// Call from inside a catch block: hands the exception being handled to the application handler.
// Never throws.
void HandleException() noexcept;
// The text shown for an exception: Message() for ours, what() (UTF-8) for others.
String ExceptionMessage(const std::exception& error);

} // namespace core
