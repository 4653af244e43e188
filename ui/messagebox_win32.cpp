// The system message box, owned by the active window of the program so that it stays on top of it.
#include "core/win32.h"
#include "ui/messagebox.h"

namespace ui {
namespace {

class SystemMessageBox : public MessageBoxService {
public:
    int Show(core::StringView text, core::StringView caption, unsigned flags) override
    {
        std::wstring t(text.begin(), text.end());
        std::wstring c(caption.begin(), caption.end());
        HWND owner = GetActiveWindow();
        return MessageBoxW(owner, t.c_str(), c.c_str(), flags);
    }
};

} // namespace

MessageBoxService& SystemMessageBoxService()
{
    static SystemMessageBox service;
    return service;
}

} // namespace ui
