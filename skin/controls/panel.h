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

    // Skinned: the section item over the parent's background, the caption and OnPaint into the
    // cache, when the panel paints through it.
    void PrepareCache();

    // ---- Events ----
    PaintEvent OnPaint;

protected:
    void Paint() override;
    void WndProc(ui::Message& message) override;
    // Skinned painting onto dc: the cache copied around the children, or the direct road.
    virtual void OurPaint(HDC dc, bool sendUpdated);
    virtual void WriteText(RECT r, ui::Canvas& canvas);

private:
    bool SkinnedMessage(ui::Message& message);
    // The plain background (or the parent's picture), the border and the caption, with no cache.
    void PaintDirect(HDC dc);
    // The client area inside the bevels.
    RECT TextRect() const;

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
    // Skinned: the parent's band under the caption, the frame from half the caption's height down
    // and the caption over its background.
    void PrepareCache();
    // The cache copied around the children onto dc; nothing unskinned or while updating.
    void PaintToDC(HDC dc);
    void WriteText(const RECT& r, const TCacheInfo& ci);

protected:
    void AlignControls(RECT& rect) override;
    void WndProc(ui::Message& message) override;

private:
    bool SkinnedMessage(ui::Message& message);
    // The caption's width and the height of "W" in the box's font.
    SIZE TextSizeOfCaption();
    int CaptionHeight();

    std::unique_ptr<TsCommonData> m_common;
    TsGroupCaptionLayout m_caption_layout = clTopLeft;
    int m_caption_y_offset = 0;
    core::String m_caption_skin;
};

} // namespace skin
