// The extended border window: a borderless, layered, never-activated popup placed around a skinned
// form (or dialog) and directly behind it, that shows the owner's 32-bit image with its wider
// borders, taller title and soft shadow. It answers the mouse for the title, the title buttons and
// the sizing edges in the owner's place, forwards clicks to the owner and lets the mouse over the
// shadow fall through to the windows below.
#pragma once

#include "core/win32.h"
#include "skin/windows/formgeometry.h"
#include "skin/windows/titlebuttons.h"
#include "ui/form.h"

#include <memory>

namespace skin {

class TsCommonData;

// What the border window asks of its owner: the form skin provider now, the skinned dialog later.
class BorderFormOwner {
public:
    virtual ~BorderFormOwner() = default;
    // The owner's window, null when none.
    virtual HWND OwnerHandle() const = 0;
    virtual TsCommonData* OwnerSkinData() const = 0;
    // The measures of the owner's frame (with the border window's extended values).
    virtual FormFrame OwnerFrame() const = 0;
    virtual int OwnerCaptionHeight(bool checkSkin) const = 0;
    // 0 for a dialog.
    virtual int OwnerMenuHeight() const { return 0; }
    // The title icon, in image coordinates.
    virtual RECT IconRect() const = 0;
    // The caption buttons, the visibility rules of the system menu and the user buttons, with
    // rectangles in image coordinates.
    virtual TitleHitInput TitleButtons() const = 0;
    virtual void SetHotHT(int code, bool repaint) = 0;
    virtual void PaintAll() = 0;
    virtual void KillAnimations() = 0;
    // What UpdateExBordersPos may do now.
    enum class ShowCheck { Show, Skip, Hide, SwitchOff };
    virtual ShowCheck CheckShow() const = 0;
    // The owner's own hit test hook (0 for none).
    virtual int ExtHitTest(ui::Message&) { return 0; }
    // A provider with an outline drag in progress ends it (double click on the border window).
    virtual void EndPendingDrag(POINT) {}
    // The provider's double click on the title; false when the owner does not handle it.
    virtual bool TitleDoubleClick() { return false; }
    // Blend constant for the picture: the form's own when it is translucent.
    virtual bool OwnerAlphaBlend(BYTE& value) const { return false; }
    // The owner's client rectangle in image coordinates (for a translucent owner).
    virtual RECT OwnerClientInImage() const { return RECT{}; }
    virtual bool OwnerModal() const { return false; }
    virtual bool OwnerIsProvider() const { return true; }
};

class TacBorderForm {
public:
    explicit TacBorderForm(BorderFormOwner* owner);
    ~TacBorderForm();
    TacBorderForm(const TacBorderForm&) = delete;
    TacBorderForm& operator=(const TacBorderForm&) = delete;

    // Places, repaints and shows the border window at the given alpha.
    void UpdateExBordersPos(bool redraw = true, BYTE blend = 255);
    // The border window's region, null for none; the caller owns it.
    HRGN MakeRgn();
    // The hit code of a screen point (in the message's LParam); -1 when nothing is hit.
    int Ex_WMNCHitTest(ui::Message& message);
    bool Ex_WMSetCursor(ui::Message& message);
    bool MouseAboveTheShadow(const ui::Message& message);
    Rect ShadowSize() const;
    int OffsetX() const;
    int OffsetY() const;
    HWND Handle() const;
    ui::Form* Form() const { return AForm.get(); }

    // The skin's shadow for the owner's state, chosen by the owner's painting; not owned.
    ui::Bitmap* ShadowTemplate = nullptr;
    BorderFormOwner* FOwner;

private:
    void BorderProc(ui::Message& message);
    POINT ImagePoint(LPARAM screen) const;
    void PassThrough(ui::Message& message);

    std::unique_ptr<ui::Form> AForm;
    ui::WndMethod OldBorderProc;
    bool ExBorderShowing = false;
    bool acInMouseMsg = false;
};

} // namespace skin
