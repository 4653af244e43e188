// Skinned status bar. Unskinned (the client) it is the class library's status bar that accepts
// child controls and makes its window again when the skin of its own manager is removed.
#pragma once

#include "skin/controls/skinned.h"
#include "ui/statusbar.h"

#include <memory>

namespace skin {

class TsStatusBar : public ui::StatusBar {
public:
    explicit TsStatusBar(core::Component* owner = nullptr);
    ~TsStatusBar() override;

    TsCommonData* SkinData() { return m_common.get(); }
    void Loaded() override;

protected:
    void WndProc(ui::Message& message) override;

private:
    std::unique_ptr<TsCommonData> m_common;
};

} // namespace skin
