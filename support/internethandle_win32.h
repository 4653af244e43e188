// A WinINet handle that closes itself, and the read time-out set on a handle (some implementations
// take it only from the request handle, so callers set it on every one).
#pragma once
#include "core/win32.h"

#include <wininet.h>

namespace support {

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
    ~InternetHandle()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HINTERNET m_handle;
};

inline void SetReadTimeout(HINTERNET handle, unsigned timeoutMs)
{
    DWORD value = timeoutMs;
    InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, sizeof value);
    InternetSetOptionW(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &value, sizeof value);
}

} // namespace support
