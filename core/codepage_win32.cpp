// Code-page conversion of the Windows build, through the system's own tables. Best-fit mapping is
// turned off: a character the code page lacks becomes "?" rather than a look-alike, which could turn
// into a path or quote character on the way out.
#include "core/codepage.h"

#include "core/exception.h"
#include "core/win32.h"

#include <climits>

namespace core {

namespace {

constexpr unsigned kUtf8 = 65001;

unsigned Resolve(unsigned codePage) { return codePage == 0 ? GetACP() : codePage; }

void CheckLength(size_t length)
{
    if (length > size_t(INT_MAX))
        throw EConvertError(u"Text too long for code page conversion");
}

} // namespace

unsigned SystemAnsiCodePage() { return GetACP(); }

void SetHostAnsiCodePage(unsigned) {}

bool IsCodePageSupported(unsigned codePage)
{
    codePage = Resolve(codePage);
    return codePage == kUtf8 || IsValidCodePage(codePage);
}

std::string ToAnsi(StringView text, unsigned codePage)
{
    codePage = Resolve(codePage);
    if (codePage == kUtf8)
        return ToUtf8(text);
    std::string out;
    if (text.empty())
        return out;
    CheckLength(text.size());
    const auto source = reinterpret_cast<LPCWSTR>(text.data());
    const int length = int(text.size());
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int size = WideCharToMultiByte(codePage, flags, source, length, nullptr, 0, "?", nullptr);
    if (size <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        // Some code pages take no flags at all.
        flags = 0;
        size = WideCharToMultiByte(codePage, flags, source, length, nullptr, 0, nullptr, nullptr);
    }
    if (size <= 0) {
        out.reserve(text.size());
        for (Char c : text)
            out.push_back(c < 0x80 ? char(c) : '?');
        return out;
    }
    out.resize(size_t(size));
    size = WideCharToMultiByte(codePage, flags, source, length, out.data(), size, flags ? "?" : nullptr, nullptr);
    out.resize(size_t(size > 0 ? size : 0));
    return out;
}

String FromAnsi(std::string_view bytes, unsigned codePage)
{
    codePage = Resolve(codePage);
    if (codePage == kUtf8)
        return FromUtf8(bytes);
    String out;
    if (bytes.empty())
        return out;
    CheckLength(bytes.size());
    const int length = int(bytes.size());
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) {
        out.reserve(bytes.size());
        for (char b : bytes)
            out.push_back(static_cast<unsigned char>(b) < 0x80 ? Char(b) : Char(0xFFFD));
        return out;
    }
    out.resize(size_t(size));
    size = MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<LPWSTR>(out.data()), size);
    out.resize(size_t(size > 0 ? size : 0));
    return out;
}

} // namespace core
