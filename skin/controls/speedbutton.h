// Skinned speed button: the class library's speed button with its own caption and glyph layout, a
// drop-down part, divider and separator styles, caption hiding, glyph blending options and the
// skinned-control machinery. Hints are switched off from a mouse press to its release on both roads,
// and a pressed button whose mouse leaves it comes back up.
#pragma once

#include "skin/controls/skinned.h"
#include "skin/engine/fade.h"
#include "skin/engine/maskpaint.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"
#include "ui/menu.h"
#include "ui/speedbutton.h"

#include <memory>

namespace skin {

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider, tbsTextButton };

class TsSpeedButton : public ui::SpeedButton {
public:
    explicit TsSpeedButton(core::Component* owner = nullptr);
    ~TsSpeedButton() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment value);
    ui::Alignment TextAlignment() const { return m_text_alignment; }
    void SetTextAlignment(ui::Alignment value);
    TToolButtonStyle ButtonStyle() const { return m_button_style; }
    void SetButtonStyle(TToolButtonStyle value);
    int Blend() const { return m_blend; }
    void SetBlend(int value);
    bool Grayed() const { return m_grayed; }
    void SetGrayed(bool value);
    int ImageIndex() const { return m_image_index; }
    void SetImageIndex(int value);
    bool Reflected() const { return m_reflected; }
    void SetReflected(bool value);
    bool ShowCaption() const { return m_show_caption; }
    void SetShowCaption(bool value);
    bool DrawOverBorder() const { return m_draw_over_border; }
    void SetDrawOverBorder(bool value);
    int TextOffset() const { return m_text_offset; }
    void SetTextOffset(int value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int value);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout value);
    int NumGlyphs() const { return m_num_glyphs; }
    void SetNumGlyphs(int value) { m_num_glyphs = std::max(value, 1); }
    TsDisabledKind DisabledKind() const { return m_disabled_kind; }
    void SetDisabledKind(TsDisabledKind value);
    TsDisabledGlyphKind DisabledGlyphKind() const { return m_disabled_glyph_kind; }
    void SetDisabledGlyphKind(TsDisabledGlyphKind value);
    TacAnimatEvents AnimatEvents() const { return m_animat_events; }
    void SetAnimatEvents(TacAnimatEvents value) { m_animat_events = value; }
    ui::PopupMenu* DropdownMenu() const { return m_dropdown_menu; }
    void SetDropdownMenu(ui::PopupMenu* menu);
    bool DroppedDown() const { return m_dropped_down; }

    // The glyph bitmap: NumGlyphs cells side by side (up, disabled, down, exclusive down). Setting
    // copies the bitmap; a change of the glyph repaints the button.
    ui::Bitmap& Glyph() { return m_glyph; }
    const ui::Bitmap& Glyph() const { return m_glyph; }
    void SetGlyph(const ui::Bitmap& value) { m_glyph.Assign(value); }
    // The image list whose ImageIndex replaces the glyph bitmap (cleared when the list is freed).
    ui::ImageList* Images() const { return m_images; }
    void SetImages(ui::ImageList* value);

    // ---- Layout ----
    // The image list's item when valid, else the glyph bitmap: a cell's width (the width divided
    // by NumGlyphs) and height; 0 without either.
    virtual int GlyphWidth() const;
    virtual int GlyphHeight() const;
    bool HasListGlyph() const;
    int ArrowWidth() const { return m_button_style == tbsDropDown ? 16 : 0; }
    int MarginValue() const { return m_margin < 0 ? 0 : m_margin + 3; }
    int CaptionWidth() const;
    virtual SIZE TextRectSize();
    virtual RECT CaptionRect();
    virtual RECT ImgRect();
    // 2 pressed, 1 hot or focused, 0 normal.
    virtual int CurrentState();
    // Repaints now; never shows a box from a paint path. Skinned: the cache, with the graphic
    // siblings lying over the button painted into it, copied straight onto the parent.
    void GraphRepaint();
    // Skinned: the cache painted for the current state (section item or background and border, the
    // drop-down part, caption, glyph, disabled look); raises OnPaint with it.
    virtual void PrepareCache();
    // The running fade; null when none.
    TsAnimTimer* FadeTimer() const { return m_fade_timer; }
    // Raised with the cache bitmap after a skinned preparation.
    std::function<void(core::Object* sender, ui::Bitmap* bmp)> OnPaint;
    void Loaded() override;

protected:
    void Paint(ui::Canvas& canvas) override;
    void WndProc(ui::Message& message) override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Notification(core::Component* component, core::Operation operation) override;
    virtual void StdPaint(ui::Canvas& canvas, bool full);
    virtual void DrawCaption(ui::Canvas& canvas);
    // Draws the glyph into ImgRect: the glyph bitmap's cell for the state, transparent, or the image
    // list's item (grey while disabled, or Grayed in the normal state).
    virtual void DrawGlyph(ui::Canvas& canvas);
    void MarkChanged();
    // A state change: a fade from the picture shown to the new one when allowed, else a repaint.
    void StartFade(bool halfTime, TacAnimatEvent event);
    void StopFade();
    int m_text_layout = 0;

private:
    // The glyph bitmap's cell or the image list's item into dst at r (24-bit).
    void PaintGlyphInto(ui::Bitmap& dst, const RECT& r);
    // The drop-down part of the skinned face: the right 16 pixels with an arrow.
    void PaintArrowPart(const TCacheInfo& ci);
    // The graphic siblings after the button in its parent's list that overlap it, into the cache.
    void PaintOverlappingSiblings();
    TsAnimTimer* m_fade_timer = nullptr;
    bool m_stored_down = false;
    int m_old_num_glyphs = 1;
    int m_old_spacing = 4;

    std::unique_ptr<TsCommonData> m_common;
    ui::Alignment m_alignment = ui::taCenter;
    ui::Alignment m_text_alignment = ui::taCenter;
    TToolButtonStyle m_button_style = tbsButton;
    int m_blend = 0;
    bool m_grayed = false;
    int m_image_index = -1;
    bool m_reflected = false;
    bool m_show_caption = true;
    bool m_draw_over_border = true;
    int m_text_offset = 0;
    int m_margin = -1;
    int m_spacing = 4;
    TButtonLayout m_layout = blGlyphLeft;
    int m_num_glyphs = 1;
    TsDisabledKind m_disabled_kind = dkBlended;
    TsDisabledGlyphKind m_disabled_glyph_kind = dgBlended;
    TacAnimatEvents m_animat_events = aeGlobalDef;
    ui::PopupMenu* m_dropdown_menu = nullptr;
    bool m_dropped_down = false;
    core::String m_old_caption;
    ui::Bitmap m_glyph;
    ui::ImageList* m_images = nullptr;
    ui::ChangeLink m_images_link;
};

} // namespace skin
