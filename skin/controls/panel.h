// Skinned panel and group box. Unskinned (the client) the panel is the class library's panel whose
// OnPaint, when assigned, replaces the standard painting (also when printed) and is not erased; the
// group box is the library's group box without the opaque style and with its client area moved down
// by CaptionYOffset. Both hand the skin commands 1, 2 and 3 on to their children.
#pragma once

#include "skin/controls/skinned.h"
#include "ui/groupbox.h"
#include "ui/panel.h"

#include <functional>
#include <memory>

namespace skin {

using PaintEvent = std::function<void(core::Object* sender, ui::Canvas& canvas)>;

class TsPanel : public ui::Panel {
public:
    explicit TsPanel(core::Component* owner = nullptr);
    ~TsPanel() override;

    TsCommonData* SkinData() { return m_common.get(); }
    void Loaded() override;

    // ---- Events ----
    PaintEvent OnPaint;

protected:
    void Paint() override;
    void WndProc(ui::Message& message) override;

private:
    std::unique_ptr<TsCommonData> m_common;
};

enum TsGroupCaptionLayout { clTopLeft, clTopCenter, clTopRight };

// The caption rectangle of a group box of the given width for a caption of the given text size.
RECT GroupCaptionRect(int width, SIZE text, TsGroupCaptionLayout layout, bool rightToLeft, int yOffset, bool skinned,
                      int bevelWidth);

class TsGroupBox : public ui::GroupBox {
public:
    explicit TsGroupBox(core::Component* owner = nullptr);
    ~TsGroupBox() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    TsGroupCaptionLayout CaptionLayout() const { return m_caption_layout; }
    void SetCaptionLayout(TsGroupCaptionLayout value);
    int CaptionYOffset() const { return m_caption_y_offset; }
    void SetCaptionYOffset(int value);
    const core::String& CaptionSkin() const { return m_caption_skin; }
    void SetCaptionSkin(core::StringView value);

    RECT CaptionRect();
    void Loaded() override;

protected:
    void AlignControls(RECT& rect) override;
    void WndProc(ui::Message& message) override;

private:
    std::unique_ptr<TsCommonData> m_common;
    TsGroupCaptionLayout m_caption_layout = clTopLeft;
    int m_caption_y_offset = 0;
    core::String m_caption_skin;
};

} // namespace skin
