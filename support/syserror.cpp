// The system-utility family's exception classes.
#include "support/syserror.h"

#include "core/fileio.h"
#include "support/sysos.h"

namespace support {

core::String SysWin32ErrorText(uint32_t code, const core::String& message, const core::String& text)
{
    return u"Win32 error: " + message + u" (" + core::UIntToStr(code) + u")\r\n" + text;
}

core::EOSError LastOSError()
{
    const unsigned code = core::GetLastOSError();
    return core::EOSError(u"System Error.  Code: " + core::IntToStr(code) + u".\r\n" + core::SysErrorMessage(code), code);
}

ESysWin32Error::ESysWin32Error(const core::String& text)
    : m_last_error(core::GetLastOSError()), m_last_error_msg(core::SysErrorMessage(m_last_error))
{
    SetMessage(SysWin32ErrorText(m_last_error, m_last_error_msg, text));
}

ESysWin32Error::ESysWin32Error(core::StringView format, std::initializer_list<core::FormatArg> args)
    : m_last_error(core::GetLastOSError()), m_last_error_msg(core::SysErrorMessage(m_last_error))
{
    // The format runs after the code was taken: formatting may itself touch the last error.
    SetMessage(SysWin32ErrorText(m_last_error, m_last_error_msg, core::Format(format, args)));
}

ESysWin32Error ESysWin32Error::FromResource(uint32_t id)
{
    return FromResource(ResStringRec{0, id});
}

ESysWin32Error ESysWin32Error::FromResource(const ResStringRec& text)
{
    // The code is read before the resource is loaded: loading may change it.
    const uint32_t code = core::GetLastOSError();
    ESysWin32Error error(u"");
    error.m_last_error = code;
    error.m_last_error_msg = core::SysErrorMessage(code);
    error.SetMessage(
        SysWin32ErrorText(code, error.m_last_error_msg, sysos::LoadResourceText(text.module, text.identifier)));
    return error;
}

} // namespace support
