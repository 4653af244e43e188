// The host's stand-in for the system message box: the text goes to standard error.
#include "ui/messagebox.h"

#include <cstdio>

namespace ui {
namespace {

class StderrMessageBox : public MessageBoxService {
public:
    int Show(core::StringView text, core::StringView caption, unsigned flags) override
    {
        std::fprintf(stderr, "[%s] %s\n", core::ToUtf8(caption).c_str(), core::ToUtf8(text).c_str());
        return ScriptedMessageBox::DefaultButton(flags);
    }
};

} // namespace

MessageBoxService& SystemMessageBoxService()
{
    static StderrMessageBox service;
    return service;
}

} // namespace ui
