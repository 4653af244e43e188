// Skinned single-line edit with a bound label. Unskinned (the client) it is the class library's
// edit that answers the skin command (sub-code 19: not textured; 21: its colour) and keeps an
// active bound label beside it as it moves, hides, shows and is enabled.
#pragma once

#include "skin/controls/label.h"
#include "skin/controls/skinned.h"
#include "ui/edit.h"

#include <memory>

namespace skin {

class TsEdit : public ui::Edit {
public:
    explicit TsEdit(core::Component* owner = nullptr);
    ~TsEdit() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    TsBoundLabel& BoundLabel() { return *m_bound_label; }
    TsDisabledKind DisabledKind() const { return m_disabled_kind; }
    void SetDisabledKind(TsDisabledKind value);

    void Loaded() override;

protected:
    void WndProc(ui::Message& message) override;

private:
    void BoundLabelFollows(const ui::Message& message);

    std::unique_ptr<TsCommonData> m_common;
    TsDisabledKind m_disabled_kind = dkBlended;
    std::unique_ptr<TsBoundLabel> m_bound_label;
};

// What edits and combo boxes do for their bound label after the base procedure: follow moves,
// sizes, visibility, enabling and reading order.
void BoundLabelFollows(TsBoundLabel& bound, ui::Control* control, TsDisabledKind disabledKind, const ui::Message& message);

} // namespace skin
