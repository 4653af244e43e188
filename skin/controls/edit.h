// Skinned single-line edit with a bound label. Unskinned (the client) it is the class library's
// edit that answers the skin command (sub-code 19: not textured; 21: its colour) and keeps an
// active bound label beside it as it moves, hides, shows and is enabled.
#pragma once

#include "skin/controls/label.h"
#include "skin/controls/skinned.h"
#include "ui/edit.h"

namespace ui {
class Canvas;
}

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
    // Skinned: the section item over the parent's background, the text, and the disabled look.
    virtual void PrepareCache();
    // The text into the cache, password characters in place of a password.
    virtual void PaintText();
    // Hands the face's text to the skin's text writer.
    virtual void WriteText(ui::Canvas& canvas, const core::String& text, const RECT& r, UINT flags);

private:
    void BoundLabelFollows(const ui::Message& message);
    // The skinned road after the skin command; true when the message is finished.
    bool SkinnedMessage(ui::Message& message);
    // The native colours follow the section's normal or hot ones.
    void FollowSectionColours();
    // The cache onto dc (the window's DC when null): the whole face, or only the frame.
    void PaintFromCache(HDC dc, bool frameOnly);
    int FrameWidth() const;

    std::unique_ptr<TsCommonData> m_common;
    TsDisabledKind m_disabled_kind = dkBlended;
    std::unique_ptr<TsBoundLabel> m_bound_label;
};

// What edits and combo boxes do for their bound label after the base procedure: follow moves,
// sizes, visibility, enabling and reading order.
void BoundLabelFollows(TsBoundLabel& bound, ui::Control* control, TsDisabledKind disabledKind, const ui::Message& message);

} // namespace skin
