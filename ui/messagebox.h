// Message boxes as a service: the program asks through MessageBox(text, caption, flags) and gets the
// button back; tests install a scripted answerer that records every call and answers from a script.
#pragma once

#include "core/string.h"

#include <deque>
#include <vector>

// The Windows headers make MessageBox a macro; here it is the service's name.
#ifdef MessageBox
#undef MessageBox
#endif

namespace ui {

// Flags and answers, with the values of the system's message box.
enum MessageBoxFlag : unsigned {
    mbOK = 0x0, mbOKCancel = 0x1, mbAbortRetryIgnore = 0x2, mbYesNoCancel = 0x3, mbYesNo = 0x4,
    mbRetryCancel = 0x5, mbIconError = 0x10, mbIconQuestion = 0x20, mbIconWarning = 0x30,
    mbIconInformation = 0x40, mbDefButton2 = 0x100, mbDefButton3 = 0x200, mbSystemModal = 0x1000,
    mbTaskModal = 0x2000, mbTopMost = 0x40000,
};
enum MessageBoxAnswer : int { idOK = 1, idCancel = 2, idAbort = 3, idRetry = 4, idIgnore = 5, idYes = 6, idNo = 7 };

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual int Show(core::StringView text, core::StringView caption, unsigned flags) = 0;
};

// The service in use: the system's message box unless one was installed. Installing null puts the
// system's back. The installer keeps the service alive while it is installed.
MessageBoxService& CurrentMessageBoxService();
void SetMessageBoxService(MessageBoxService* service);

// The switch that lets message boxes use the system's task dialogs (on by default). The skin
// manager turns it off while it skins standard dialogs, so that they are built as windows it can
// skin; no box reads it yet.
bool UseLatestCommonDialogs();
void SetUseLatestCommonDialogs(bool value);

// Shows a message box through the current service and answers the button pressed.
int MessageBox(core::StringView text, core::StringView caption, unsigned flags);

// A test answerer: records every call and answers from its script, first in first out; with the
// script empty it answers the box's default button (the first one, or the one mbDefButton2/3 names).
class ScriptedMessageBox : public MessageBoxService {
public:
    struct Call {
        core::String text;
        core::String caption;
        unsigned flags = 0;
    };

    int Show(core::StringView text, core::StringView caption, unsigned flags) override;

    void Answer(int button) { m_script.push_back(button); }
    const std::vector<Call>& Calls() const { return m_calls; }
    void Clear() { m_calls.clear(); m_script.clear(); }

    // The button a box answers when Enter is pressed on it.
    static int DefaultButton(unsigned flags);

private:
    std::vector<Call> m_calls;
    std::deque<int> m_script;
};

// Installs a service for the lifetime of the guard and puts the previous one back afterwards.
class MessageBoxServiceGuard {
public:
    explicit MessageBoxServiceGuard(MessageBoxService& service);
    ~MessageBoxServiceGuard();
    MessageBoxServiceGuard(const MessageBoxServiceGuard&) = delete;
    MessageBoxServiceGuard& operator=(const MessageBoxServiceGuard&) = delete;

private:
    MessageBoxService* m_previous;
};

// The system's own service (the system message box on Windows; on the host it writes the text to
// standard error and answers the default button).
MessageBoxService& SystemMessageBoxService();

} // namespace ui
