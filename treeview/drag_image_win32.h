// The picture that follows the mouse while nodes or a header column are dragged. It is shown by the
// shell's drag source helper when one is available and a data object is given; otherwise this object
// draws it itself straight onto the screen: it keeps the screen content under the image, blends the
// image onto a copy of that and puts the result on the screen. The saved content is a band reaching a
// margin beyond the image on every side, so that small moves within it read nothing from the screen
// (each screen read waits for the display to finish the previous drawing) and put the uncovered
// strips and the image on the screen in one copy; the band is read again when a move leaves it.
#pragma once
#include "treeview/types.h"
#include "treeview/unit_services.h"
#include "ui/bitmap.h"
#include "ui/color.h"

#include <cstdint>
#include <objidl.h>

namespace treeview {

class TCustomVirtualTreeControl;

using TVTTransparency = uint8_t;
using TVTBias = int8_t;
enum TVTDragMoveRestriction : uint8_t { dmrNone, dmrHorizontalOnly, dmrVerticalOnly };
enum TVTDragImageState : uint8_t {
    disHidden = 1u << 0, disInDrag = 1u << 1, disPrepared = 1u << 2, disSystemSupport = 1u << 3,
};
using TVTDragImageStates = uint8_t;

class TVTDragImage {
public:
    explicit TVTDragImage(TCustomVirtualTreeControl* owner);
    ~TVTDragImage();
    TVTDragImage(const TVTDragImage&) = delete;
    TVTDragImage& operator=(const TVTDragImage&) = delete;

    // ---- Properties ----
    ui::Color ColorKey() const { return m_color_key; }
    void SetColorKey(ui::Color value) { m_color_key = value; }
    bool Fade() const { return m_fade; }
    void SetFade(bool value) { m_fade = value; }
    TVTDragMoveRestriction MoveRestriction() const { return m_restriction; }
    void SetMoveRestriction(TVTDragMoveRestriction value) { m_restriction = value; }
    TVTBias PostBlendBias() const { return m_post_blend_bias; }
    void SetPostBlendBias(TVTBias value) { m_post_blend_bias = value; }
    TVTBias PreBlendBias() const { return m_pre_blend_bias; }
    void SetPreBlendBias(TVTBias value) { m_pre_blend_bias = value; }
    TVTTransparency Transparency() const { return m_transparency; }
    void SetTransparency(TVTTransparency value) { m_transparency = value; }
    TVTDragImageStates States() const { return m_states; }
    // How far the saved band reaches beyond the image on every side.
    static constexpr int BandMargin = 32;
    // Drawn by this object and on the screen now.
    bool Visible() const;
    POINT ImagePosition() const { return m_image_position; }

    // ---- Operations ----
    // Sets up a drag: imagePosition is the image's top-left corner on the screen, hotSpot the mouse
    // position it follows. With a data object the shell's helper is tried first. The image stays
    // hidden until ShowDragImage.
    void PrepareDrag(ui::Bitmap& dragImage, POINT imagePosition, POINT hotSpot, IDataObject* dataObject);
    // Moves the image to follow p (screen); true when it moved or was repainted.
    bool DragTo(POINT p, bool forceRepaint);
    // Whether DragTo(p) would move a visible image.
    bool WillMove(POINT p) const;
    void HideDragImage();
    void ShowDragImage();
    // Renews the saved background (the band) where tree changed: r in tree's client coordinates, visibleRegion
    // (screen coordinates) the part of the tree window that can be seen.
    void RecaptureBackground(TCustomVirtualTreeControl& tree, RECT r, HRGN visibleRegion, bool captureNCArea,
                             bool reshowDragImage);
    // The image's screen rectangle while visible, else empty.
    RECT GetDragImageRect() const;
    void EndDrag();

private:
    // Blends the image onto the saved background and puts area (screen coordinates, within the band
    // and holding the image) on the screen in one copy.
    void DrawToScreen(HDC screen, const RECT& area);
    // Puts the saved background of area (within the band) back on the screen.
    void RestoreScreen(HDC screen, const RECT& area);
    // The same from band, which holds the screen content of frame.
    static void RestoreFrom(HDC screen, const RECT& area, ui::Bitmap& band, const RECT& frame);
    // Makes the band frame the image at its position and reads part (within the frame) from the screen.
    void CaptureBand(HDC screen, const RECT& part);
    RECT ImageRect() const;
    int Width() const { return m_drag_image.Width(); }
    int Height() const { return m_drag_image.Height(); }

    TCustomVirtualTreeControl* m_owner;
    // The band: the screen content under and around the image, m_band_frame's size; only m_band (within
    // the frame, holding the image's rectangle) is valid. The spare takes the band's next content.
    ui::Bitmap m_band_images[2];
    ui::Bitmap* m_back_image = &m_band_images[0];
    ui::Bitmap* m_spare_image = &m_band_images[1];
    ui::Bitmap m_alpha_image;
    HDC m_screen = nullptr; // while visible
    RECT m_band_frame{};
    RECT m_band{};
    ui::Bitmap m_drag_image;
    POINT m_image_position{};
    POINT m_last_position{};
    // The virtual screen, taken when the image is shown: asking for it costs more than a strip.
    RECT m_screen_bounds{};
    TVTTransparency m_transparency = 128;
    TVTBias m_pre_blend_bias = 0;
    TVTBias m_post_blend_bias = 0;
    bool m_fade = false;
    TVTDragMoveRestriction m_restriction = dmrNone;
    ui::Color m_color_key = ui::clNone;
    TVTDragImageStates m_states = 0;
};

} // namespace treeview
