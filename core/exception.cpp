#include "core/exception.h"

#include <cstdio>
#include <mutex>

namespace core {

Exception::Exception(String message, int helpContext)
    : m_message(std::move(message)), m_help_context(helpContext), m_what(ToUtf8(m_message))
{
}

void Exception::SetMessage(String message)
{
    m_message = std::move(message);
    m_what = ToUtf8(m_message);
}

void Abort()
{
    throw EAbort(u"Operation aborted");
}

void AssertFailed(StringView message, const char* file, int line)
{
    String text = message.empty() ? String(u"Assertion failed") : String(message);
    std::string_view path(file ? file : "");
    const size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    text += u" (" + FromUtf8(path) + u", line " + IntToStr(line) + u")";
    throw EAssertionFailed(text);
}

namespace {

std::mutex g_handler_lock;
ExceptionHandler g_handler;

} // namespace

void SetApplicationExceptionHandler(ExceptionHandler handler)
{
    std::lock_guard guard(g_handler_lock);
    g_handler = std::move(handler);
}

String ExceptionMessage(const std::exception& error)
{
    if (auto ours = dynamic_cast<const Exception*>(&error))
        return ours->Message();
    return FromUtf8(error.what());
}

void HandleException() noexcept
{
    try {
        try {
            throw;
        } catch (const EAbort&) {
            return;
        } catch (const std::exception& error) {
            ExceptionHandler handler;
            {
                std::lock_guard guard(g_handler_lock);
                handler = g_handler;
            }
            if (handler)
                handler(error);
            else
                std::fprintf(stderr, "%s\n", error.what());
        } catch (...) {
            std::fprintf(stderr, "unknown exception\n");
        }
    } catch (...) {
        // A handler that throws, or a call outside a catch block, must not take the caller down.
    }
}

} // namespace core
