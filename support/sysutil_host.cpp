// Operating-system services of the utility interface on the host build.
#include "support/sysutil.h"

#include "core/fileio.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace support {

using core::String;
using core::StringView;

String GetEnvironmentText(StringView name)
{
    const std::string key = core::ToUtf8(name);
    if (key.empty() || key.find('=') != std::string::npos)
        return String();
    const char* value = std::getenv(key.c_str());
    return value ? core::FromUtf8(value) : String();
}

bool ExpandEnvironmentText(StringView text, String& expanded)
{
    String out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find(u'%', at);
        if (open == StringView::npos)
            break;
        const size_t close = text.find(u'%', open + 1);
        if (close == StringView::npos)
            break;
        out.append(text.substr(at, open - at));
        const StringView name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(core::ToUtf8(name).c_str());
        if (value) {
            out.append(core::FromUtf8(value));
            at = close + 1;
        } else {
            // The closing mark may open the next variable, as on Windows.
            out.append(text.substr(open, close - open));
            at = close;
        }
    }
    out.append(text.substr(at));
    expanded = std::move(out);
    return true;
}

void DebugOutput(StringView text)
{
    const std::string line = core::ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

String ShortPathName(const String& path)
{
    return core::FileExists(path) || core::DirectoryExists(path) ? path : String();
}

bool IsClassIdText(const String& text)
{
    // {8-4-4-4-12}
    static constexpr char16_t Shape[] = u"{hhhhhhhh-hhhh-hhhh-hhhh-hhhhhhhhhhhh}";
    if (text.size() != std::size(Shape) - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (Shape[i] != u'h') {
            if (c != Shape[i])
                return false;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    return true;
}

std::string LoadResourceBytes(std::uintptr_t, const String& name, const String&)
{
    throw EResNotFound(u"Resource " + name + u" not found");
}

} // namespace support
