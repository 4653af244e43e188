// Exceptions of the system-utility family (version reader, shared memory, named sync objects).
// ESysWin32Error captures the calling thread's last system error when it is made, so it must be
// constructed right after the failing call, before anything else can change that code.
#pragma once

#include "core/exception.h"
#include "core/format.h"
#include "core/string.h"

#include <cstdint>

namespace support {

CORE_DECLARE_EXCEPTION(ESysError, core::Exception);
CORE_DECLARE_EXCEPTION(ESysInternalError, ESysError);
CORE_DECLARE_EXCEPTION(ESharedMemError, ESysError);
CORE_DECLARE_EXCEPTION(ESysFileVersionInfoError, ESysError);

// "Win32 error: <system message> (<code>)\r\n<text>".
class ESysWin32Error : public ESysError {
public:
    explicit ESysWin32Error(const core::String& text);
    // CreateFmt: the text formatted first, then wrapped like the plain form.
    ESysWin32Error(core::StringView format, std::initializer_list<core::FormatArg> args);
    // CreateRes: the text is the program's string resource `id` (empty when there is none).
    static ESysWin32Error FromResource(uint32_t id);
    // CreateRes of a resource string record: the string `identifier` of the module that holds it.
    struct ResStringRec {
        std::uintptr_t module = 0; // 0: the program itself
        uint32_t identifier = 0;
    };
    static ESysWin32Error FromResource(const ResStringRec& text);

    uint32_t LastError() const { return m_last_error; }
    const core::String& LastErrorMsg() const { return m_last_error_msg; }

private:
    uint32_t m_last_error = 0;
    core::String m_last_error_msg;
};

CORE_DECLARE_EXCEPTION(ESysMutexError, ESysWin32Error);

// The run-time library's operating-system error for the call that just failed: EOSError with the
// calling thread's last system error code and its message. Made before anything else can change it.
core::EOSError LastOSError();

// The message of a Win32 error as the family words it.
core::String SysWin32ErrorText(uint32_t code, const core::String& message, const core::String& text);

} // namespace support
