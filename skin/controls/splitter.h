// Skinned splitter: the class library's splitter with a skin state, mouse-enter and mouse-leave
// events, snapping of collapsed neighbours and the hint switching of the skinned buttons (hints are
// off from mouse-down to mouse-up).
#pragma once

#include "skin/controls/skinned.h"
#include "ui/bitmap.h"
#include "ui/splitter.h"

#include <memory>

namespace skin {

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };

class TsSplitter : public ui::Splitter {
public:
    explicit TsSplitter(core::Component* owner = nullptr);
    ~TsSplitter() override;

    TsCommonData* SkinData() { return m_common.get(); }
    bool AutoSnap() const { return m_auto_snap; }
    void SetAutoSnap(bool value) { m_auto_snap = value; }
    TResizeStyle ResizeStyle() const { return m_resize_style; }
    void SetResizeStyle(TResizeStyle value) { m_resize_style = value; }
    bool Sizing() const { return m_sizing; }
    void Loaded() override;
    // A picture drawn centred over the splitter (none while empty). Setting copies the bitmap and
    // repaints; a 32-bit glyph is laid over the face by its alpha, any other is drawn transparent.
    ui::Bitmap& Glyph() { return m_glyph; }
    void SetGlyph(const ui::Bitmap& value);

protected:
    void WndProc(ui::Message& message) override;
    void Paint(ui::Canvas& canvas) override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    // 2 while sizing with rsUpdate, 1 hot or focused, 0 normal.
    int CurrentState() const;
    // The glyph centred on the canvas.
    void DrawGlyph(ui::Canvas& canvas);

private:
    std::unique_ptr<TsCommonData> m_common;
    bool m_sizing = false;
    bool m_auto_snap = true;
    TResizeStyle m_resize_style = rsPattern;
    ui::Bitmap m_glyph;
};

// Lays a 32-bit picture over a 24-bit bitmap at (x, y) by its alpha (straight, not premultiplied):
// each channel becomes (src x a + dst x (255 - a)) / 255; pixels outside the target are left out.
void BlendGlyphOver(ui::Bitmap& target, int x, int y, ui::Bitmap& glyph);

} // namespace skin
