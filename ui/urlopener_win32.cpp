// The shell's open verb.
#include "core/win32.h"
#include "ui/application.h"
#include "ui/urlopener.h"

#include <shellapi.h>

namespace ui {
namespace {

class ShellUrlOpener : public UrlOpener {
public:
    bool Open(core::StringView url) override
    {
        std::wstring w(url.begin(), url.end());
        auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(Application::Instance().Handle(), L"open", w.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return result > 32; // values up to 32 are the shell's error codes
    }
};

} // namespace

UrlOpener& SystemUrlOpener()
{
    static ShellUrlOpener opener;
    return opener;
}

} // namespace ui
