// The speed-test window: seven echoes of 1024 bytes to the node chosen in the main window, one list
// line per echo, and a button that measures again. The echoes run on the GUI thread, each followed by
// one round of message handling. Windows only.
#pragma once
#include "client/speedtest.h"
#include "ui/button.h"
#include "ui/form.h"
#include "ui/listbox.h"

#include <memory>

namespace client {

// What one measurement takes from the main window.
struct SpeedRequest {
    core::String nodeText;   // the node choice's text; the reply lines' label is cut from it
    core::String nodeValue;  // the node's value in the node list ("address,rate,l2tp")
    int mainLeft = 0;        // the main window's top-left corner, to place this window by
    int mainTop = 0;
    ui::Control* startButton = nullptr;  // the main window's "测速", disabled while the echoes run
};

class TForm1 : public ui::Form {
public:
    explicit TForm1(core::Component* owner = nullptr);
    ~TForm1() override;

    // ---- Parts ----
    ui::ListBox* ListBox1 = nullptr;
    ui::Button* Button1 = nullptr;
    TIcmpClient& ICMP() { return *m_icmp; }
    // Tests give the window a scripted client.
    void SetIcmpClient(std::unique_ptr<TIcmpClient> client);

    // ---- Operations ----
    // Empties the list, shows the window beside the main window and sends the echoes. A node without
    // a value gets a message and no echo.
    void Measure(const SpeedRequest& request);
    bool Measuring() const { return m_measuring; }

    // ---- Handlers ----
    // "重新测速": empties the list and measures again through OnRemeasure (the main window's "测速").
    void Button1Click(core::Object* sender);
    void ICMPReply(TIcmpClient* sender, const IcmpReplyStatus& status);

    // ---- Events ----
    ui::NotifyEvent OnRemeasure;

private:
    std::unique_ptr<TIcmpClient> m_icmp;
    core::String m_label;  // taken once per measurement
    bool m_measuring = false;
};

} // namespace client
