// Operating-system services of the utility interface over the Win32 API.
#include "core/win32.h"

#include <objbase.h>

#include "support/sysutil.h"

#include <vector>

namespace support {

using core::String;
using core::StringView;

namespace {

const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

String FromW(const wchar_t* text, size_t length) { return String(reinterpret_cast<const char16_t*>(text), length); }

// "#<number>" names a numbered resource; FindResourceW understands that form itself.
const wchar_t* ResourceName(const String& name) { return W(name); }

} // namespace

String GetEnvironmentText(StringView name)
{
    const String key(name);
    std::vector<wchar_t> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = GetEnvironmentVariableW(W(key), buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return String();
        if (length < buffer.size())
            return FromW(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return String();
}

bool ExpandEnvironmentText(StringView text, String& expanded)
{
    const String source(text);
    // Most expansions fit; a longer one is asked again with the size the system reports.
    std::vector<wchar_t> buffer(1024);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD needed = ExpandEnvironmentStringsW(W(source), buffer.data(), DWORD(buffer.size()));
        if (needed == 0)
            return false;
        if (needed <= buffer.size()) {
            expanded = FromW(buffer.data(), needed - 1);
            return true;
        }
        buffer.resize(needed);
    }
    return false;
}

void DebugOutput(StringView text)
{
    const String line(text);
    OutputDebugStringW(W(line));
}

String ShortPathName(const String& path)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = GetShortPathNameW(W(path), buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return String();
        if (length < buffer.size())
            return FromW(buffer.data(), length);
        buffer.resize(length);
    }
    return String();
}

bool IsClassIdText(const String& text)
{
    CLSID id;
    return SUCCEEDED(CLSIDFromString(const_cast<LPOLESTR>(W(text)), &id));
}

std::string LoadResourceBytes(std::uintptr_t instance, const String& name, const String& type)
{
    const HMODULE module = instance ? reinterpret_cast<HMODULE>(instance) : GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, ResourceName(name), ResourceName(type));
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        throw EResNotFound(u"Resource " + name + u" not found");
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

} // namespace support
