// The message box service switch and the scripted answerer.
#include "ui/messagebox.h"

#include <atomic>

namespace ui {
namespace {

std::atomic<MessageBoxService*> g_service{nullptr};
std::atomic<bool> g_use_latest_common_dialogs{true};

} // namespace

MessageBoxService& CurrentMessageBoxService()
{
    MessageBoxService* service = g_service.load();
    return service ? *service : SystemMessageBoxService();
}

void SetMessageBoxService(MessageBoxService* service) { g_service = service; }

bool UseLatestCommonDialogs() { return g_use_latest_common_dialogs; }
void SetUseLatestCommonDialogs(bool value) { g_use_latest_common_dialogs = value; }

int MessageBox(core::StringView text, core::StringView caption, unsigned flags)
{
    return CurrentMessageBoxService().Show(text, caption, flags);
}

int ScriptedMessageBox::Show(core::StringView text, core::StringView caption, unsigned flags)
{
    m_calls.push_back(Call{core::String(text), core::String(caption), flags});
    if (m_script.empty())
        return DefaultButton(flags);
    int answer = m_script.front();
    m_script.pop_front();
    return answer;
}

int ScriptedMessageBox::DefaultButton(unsigned flags)
{
    static const int buttons[][3] = {
        {idOK, idOK, idOK},           {idOK, idCancel, idCancel}, {idAbort, idRetry, idIgnore},
        {idYes, idNo, idCancel},      {idYes, idNo, idNo},        {idRetry, idCancel, idCancel},
    };
    unsigned kind = flags & 0xF;
    if (kind >= sizeof buttons / sizeof buttons[0])
        return idOK;
    unsigned which = (flags & 0xF00) >> 8;
    return buttons[kind][which > 2 ? 0 : which];
}

MessageBoxServiceGuard::MessageBoxServiceGuard(MessageBoxService& service) : m_previous(g_service.load())
{
    SetMessageBoxService(&service);
}

MessageBoxServiceGuard::~MessageBoxServiceGuard() { SetMessageBoxService(m_previous); }

} // namespace ui
