// Skinned check box and radio button. Unskinned (the client) they stay native boxes with the
// read-only filters (while ReadOnly, a double click is refused and the native mark does not change
// while the mouse button or a key is held on the box), automatic sizing off, and their answers to
// the skin command.
#pragma once

#include "skin/controls/skinned.h"
#include "skin/engine/fade.h"
#include "ui/bitmap.h"
#include "ui/checkbox.h"
#include "ui/imagelist.h"
#include "ui/radiobutton.h"

#include <memory>

namespace skin {

// The size an auto-sized skinned box takes: glyph, margins and caption side by side, as high as the
// larger of the glyph and the caption with its margins.
SIZE SkinnedBoxSize(SIZE glyph, int margin, SIZE caption, int textIndent, bool hasCaption);

// The size of one glyph cell of a skinned box: from the image list when it is given with both
// indexes at least 0 (a third of the list's width, half its height), else from the checked glyph
// bitmap when not empty (a third of its width, half its height; the cells normal, hot and pressed
// lie side by side in the upper half), else from the skin's glyph mask when one is given, else
// 16 x 16.
SIZE BoxGlyphSize(const ui::ImageList* images, int imgChecked, int imgUnchecked, const ui::Bitmap& glyphChecked,
                  const MaskData* skinMask = nullptr);

// Lays one cell of a user glyph over dst at (x, y): the image has three cells side by side in its
// upper half and their masks in its lower half (black opaque, white transparent).
void LayGlyphCell(ui::Bitmap& dst, int x, int y, ui::Bitmap& glyph, int cell);

// The read-only filter and pressed state that check and radio boxes share.
class ReadOnlyBoxFilter {
public:
    // True when the message is dropped.
    bool Drop(const ui::Message& message, bool readOnly);

    bool Pressed() const { return m_pressed; }

private:
    bool m_pressed = false;
};

// What the skinned check box and radio button share: the skin data, the read-only filter, the
// common properties and the user glyphs (three cells, normal, hot and pressed, side by side in the
// upper half of each bitmap; setting copies the bitmap).
template <class Base>
class TsSkinnedBox : public Base {
public:
    ~TsSkinnedBox() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value) { m_read_only = value; }
    bool AutoSize() const { return m_auto_size; }
    void SetAutoSize(bool value) { m_auto_size = value; }
    bool WordWrap() const { return m_word_wrap; }
    void SetWordWrap(bool value) { m_word_wrap = value; }
    int Margin() const { return m_margin; }
    void SetMargin(int value) { m_margin = value; }
    bool ShowFocus() const { return m_show_focus; }
    void SetShowFocus(bool value) { m_show_focus = value; }
    int TextIndent() const { return m_text_indent; }
    void SetTextIndent(int value) { m_text_indent = value; }
    TsDisabledKind DisabledKind() const { return m_disabled_kind; }
    void SetDisabledKind(TsDisabledKind value);
    TacAnimatEvents AnimatEvents() const { return m_animat_events; }
    void SetAnimatEvents(TacAnimatEvents value) { m_animat_events = value; }
    // The mouse button or the space key is down on the box.
    bool Pressed() const { return m_pressed; }
    TsFadeTimer* FadeTimer() const { return m_fade_timer; }
    ui::Bitmap& GlyphChecked() { return m_glyph_checked; }
    void SetGlyphChecked(const ui::Bitmap& value);
    ui::Bitmap& GlyphUnChecked() { return m_glyph_unchecked; }
    void SetGlyphUnChecked(const ui::Bitmap& value);

    void Loaded() override;

    // ---- Skinned look ----
    // The size of one glyph cell (user glyphs first, else the skin's glyph mask).
    virtual SIZE GlyphSize();
    // Automatic sizing: false unskinned with AutoSize (the box keeps its size).
    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    // Takes the size CanAutoSize answers.
    void AdjustSize();
    // The cache painted for the state: section item, caption with its focus frame, glyph, disabled
    // look (also on sub-code 23).
    void PrepareCache();

protected:
    TsSkinnedBox(core::Component* owner, int kind);
    // The skin command, the skin's removal (the native mark is set again from checkState) and the
    // read-only filter; true when the message was taken.
    bool HandleBoxMessage(ui::Message& message, WPARAM checkState);
    // The skin's glyph mask for the box's check state; -1 when the skin has none.
    virtual int SkinGlyphMask() = 0;
    // The user glyph for the check state into the cache at (x, y); false when the box has none.
    virtual bool DrawUserGlyph(ui::Bitmap& cache, int x, int y, int cell);
    // A key or mouse release on a pressed box: the check box toggles, the radio button checks.
    virtual void Release() = 0;
    // A read-only box still raises OnMouseUp on a release (the radio button does).
    virtual bool ReadOnlyMouseUpFires() const { return false; }
    // BM_SETCHECK on the skinned road.
    virtual void SkinnedSetCheck(ui::Message& message) = 0;
    // The box sits at the left of its caption.
    virtual bool GlyphAtLeft() const { return true; }
    // The skinned road; true when the message was finished.
    bool SkinnedMessage(ui::Message& message);
    void RepaintFading(TacAnimatEvent event, bool fast);
    void PaintTo(HDC dc);

    std::unique_ptr<TsCommonData> m_common;
    bool m_auto_size = true;
    bool m_word_wrap = false;
    int m_margin = 2;
    bool m_pressed = false;
    TsFadeTimer* m_fade_timer = nullptr;

private:
    ReadOnlyBoxFilter m_filter;
    bool m_read_only = false;
    bool m_show_focus = true;
    int m_text_indent = 0;
    TsDisabledKind m_disabled_kind = dkBlended;
    TacAnimatEvents m_animat_events = aeGlobalDef;
    ui::Bitmap m_glyph_checked;
    ui::Bitmap m_glyph_unchecked;
};

class TsCheckBox : public TsSkinnedBox<ui::CheckBox> {
public:
    explicit TsCheckBox(core::Component* owner = nullptr);

    // ---- Properties ----
    // Or an image list with the checked and unchecked image indexes, in place of the glyphs.
    ui::ImageList* Images() const { return m_images; }
    void SetImages(ui::ImageList* value);
    int ImgChecked() const { return m_img_checked; }
    void SetImgChecked(int value);
    int ImgUnchecked() const { return m_img_unchecked; }
    void SetImgUnchecked(int value);
    SIZE GlyphSize() override;

protected:
    void WndProc(ui::Message& message) override;
    void Notification(core::Component* component, core::Operation operation) override;
    int SkinGlyphMask() override;
    bool DrawUserGlyph(ui::Bitmap& cache, int x, int y, int cell) override;
    void Release() override;
    void SkinnedSetCheck(ui::Message& message) override;
    bool GlyphAtLeft() const override;

private:
    ui::ImageList* m_images = nullptr;
    int m_img_checked = -1;
    int m_img_unchecked = -1;
};

class TsRadioButton : public TsSkinnedBox<ui::RadioButton> {
public:
    explicit TsRadioButton(core::Component* owner = nullptr);

    // A mouse-up may check the button only while this holds.
    virtual bool CanBeChecked() { return true; }
    void Invalidate() override;

protected:
    void WndProc(ui::Message& message) override;
    int SkinGlyphMask() override;
    void Release() override;
    bool ReadOnlyMouseUpFires() const override { return true; }
    void SkinnedSetCheck(ui::Message& message) override;
};

} // namespace skin
