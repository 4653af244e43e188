// The form skin provider: a component dropped on a form that takes over the form's window method,
// decides what the form's previous method sees of each message, measures the skinned frame, answers
// the hit test, runs the title-bar mouse handling and the system menu, and skins the form's children
// through the control adapter. Without a skin manager with an active skin it stays attached and
// passes every message on, answering only a few skin queries.
#pragma once

#include "core/component.h"
#include "core/win32.h"
#include "skin/engine/commondata.h"
#include "skin/engine/skinnedforms.h"
#include "skin/windows/formgeometry.h"
#include "ui/form.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class HintWindow;
}

namespace skin {

class TacScrollWnd;
class TacCtrlAdapter;
class TsSystemMenu;
class TsSkinProvider;

enum TsGripMode { gmNone, gmRightBottom };
enum TsResizeMode { rmStandard, rmBorder };
enum TShowAction { saIgnore, saRestore, saMinimize, saMaximize };

// One caption button: state 0 normal, 1 hot, 2 pressed, -1 not shown.
struct TsCaptionButton {
    int State = 0;
    int ImageIndex = -1;
    RECT Rect{};
    bool HaveAlignment = false;
    int GlowID = -1;
    int HitCode = 0;
};

// A button the application adds to the title bar.
struct TsTitleButton {
    bool Visible = true;
    bool Enabled = true;
    bool UseSkinData = true;
    core::String Hint;
    int GlyphWidth = 0;
    TsCaptionButton BtnData;
    std::function<void(TsTitleButton& button, POINT point)> OnMouseDown;
    std::function<void(TsTitleButton& button, POINT point)> OnMouseUp;
};

struct TsTitleIcon {
    int Width = 0, Height = 0;
};

using TAddItemEvent = std::function<void(core::Component* item, bool& canBeAdded, core::String& skinSection)>;


class TsSkinProvider : public core::Component, public FormSkinProvider {
public:
    explicit TsSkinProvider(core::Component* owner);
    ~TsSkinProvider() override;
    core::String ClassName() const override { return u"TsSkinProvider"; }
    TsSkinProvider(const TsSkinProvider&) = delete;
    TsSkinProvider& operator=(const TsSkinProvider&) = delete;

    // ---- FormSkinProvider ----
    SkinManager* ProviderManager() const override { return FCommonData->GetSkinManager(); }
    bool DrawNonClientArea() const override { return FDrawNonClientArea; }
    void SetInAnimation(bool value) override { FInAnimation = value; }
    POINT ImageOffset() const override { return POINT{OffsetX(), OffsetY()}; }
    ui::Form* ProviderForm() const override { return Form; }
    uint32_t FormColor() const override;

    // ---- Properties ----
    TsCommonData* SkinData() const { return FCommonData.get(); }
    void SetDrawNonClientArea(bool value);
    bool AllowExtBorders() const { return FAllowExtBorders; }
    void SetAllowExtBorders(bool value) { FAllowExtBorders = value; }
    ui::Alignment CaptionAlignment() const { return FCaptionAlignment; }
    void SetCaptionAlignment(ui::Alignment value);
    TsGripMode GripMode() const { return FGripMode; }
    void SetGripMode(TsGripMode value) { FGripMode = value; }
    bool MakeSkinMenu() const { return FMakeSkinMenu; }
    void SetMakeSkinMenu(bool value) { FMakeSkinMenu = value; }
    const core::String& MenuLineSkin() const { return FMenuLineSkin; }
    void SetMenuLineSkin(core::StringView value) { FMenuLineSkin = core::String(value); }
    TsResizeMode ResizeMode() const { return FResizeMode; }
    void SetResizeMode(TsResizeMode value) { FResizeMode = value; }
    bool ScreenSnap() const { return FScreenSnap; }
    void SetScreenSnap(bool value) { FScreenSnap = value; }
    int SnapBuffer() const { return FSnapBuffer; }
    void SetSnapBuffer(int value) { FSnapBuffer = value; }
    bool ShowAppIcon() const { return FShowAppIcon; }
    void SetShowAppIcon(bool value);
    const core::String& TitleSkin() const { return FTitleSkin; }
    void SetTitleSkin(core::StringView value);
    bool UseGlobalColor() const { return FUseGlobalColor; }
    void SetUseGlobalColor(bool value);
    TsTitleIcon& TitleIcon() { return FTitleIcon; }
    std::vector<TsTitleButton>& TitleButtons() { return FTitleButtons; }

    // ---- Events ----
    TAddItemEvent OnSkinItem;

    // ---- Operations ----
    // Prepares the form when a manager with an active skin is there already (the creator calls it).
    void AfterConstruction();
    void Loaded() override;
    void PrepareForm();
    void NewWndProc(ui::Message& message);
    virtual void CreateCtrlAdapter();
    void ReleaseCtrlAdapter();
    void PassToAdapter(ui::Message& message);
    void UpdateSysMenuStyle(bool skinned);
    void UpdateFormScrollWrapper(std::unique_ptr<TacScrollWnd>& wrapper);
    void LockFormPaint(bool withMDIParent);
    void UnlockFormPaint(bool withMDIParent);
    void RedrawFrame();
    void ForwardMouseWheel(ui::Message& message);
    void UpdateCaptionButtonMasks();
    void DropSysMenu(int x, int y);
    void SetHotCode(int code, bool repaint);
    void SetPressedCode(int code);

    // ---- Measures ----
    FormFrame Frame() const;
    int CaptionHeight(bool checkSkin) const { return skin::CaptionHeight(Frame(), checkSkin); }
    int CaptionWidth() const { return skin::CaptionWidth(Frame()); }
    int BorderWidth(bool checkSkin) const { return skin::BorderWidth(Frame(), checkSkin); }
    int BorderHeight(bool checkSkin) const { return skin::BorderHeight(Frame(), checkSkin); }
    int HeaderHeight() const { return skin::HeaderHeight(Frame()); }
    int OffsetX() const { return skin::OffsetX(Frame()); }
    int OffsetY() const { return skin::OffsetY(Frame()); }
    Rect ShadowSize() const { return skin::ShadowSize(Frame()); }
    bool HasSkinnedBorder() const { return skin::HasSkinnedBorder(Frame()); }
    FormButtonRules ButtonRules() const;
    bool AppIconShown() const;
    Rect TitleIconRect() const;
    bool GripShowing() const;
    POINT FormScreenOrigin() const;
    // Places the caption buttons (form-image coordinates) as the painting lays them out.
    void UpdateButtonRects();
    int TitleHitTest(POINT screen);

    // ---- State other parts read ----
    ui::Form* Form = nullptr;
    ui::WndMethod OldWndProc;
    int CurrentHT = 0;
    bool HaveSysMenu = false;
    bool FormActive = false;
    int LockCount = 0;
    bool RgnChanged = true;
    bool RgnChanging = false;
    bool MenuChanged = true;
    bool InMenu = false;
    bool FirstInitialized = false;
    bool ControlsChanged = false;
    bool ClearButtons = false;
    bool MenusInitialized = false;
    bool RegionChanged = false, CaptChanged = false, CaptRgnChanged = false;
    bool FSysExHeight = false;
    int FLinesCount = -1;
    int FTitleSkinIndex = -1;
    int FCaptionSkinIndex = -1;
    int UserBtnIndex = -1;
    TShowAction ShowAction = saIgnore;
    bool fAnimating = false;
    RECT LastClientRect{};
    TsCaptionButton ButtonMin, ButtonMax, ButtonClose, ButtonHelp;
    std::unique_ptr<TsSystemMenu> SystemMenu;
    std::unique_ptr<TacScrollWnd> ListSW;
    std::unique_ptr<TacCtrlAdapter> Adapter;

protected:
    void Notification(core::Component* component, core::Operation operation) override;

private:
    friend class TacCtrlAdapter;
    void HandleSkinCommandStage1(ui::Message& message, bool& done);
    void PassThroughStage(ui::Message& message);
    void SkinnedCommand(ui::Message& message);
    void SkinnedMessage(ui::Message& message);
    void CallOld(ui::Message& message);
    bool Skinned() const;
    int TitleSkinIndexOf();
    void ApplyGlobalColor();
    // Title bar mouse, system commands, sizing and snapping (skinprovider_mouse_win32.cpp).
    bool FrameMouse(ui::Message& message);
    void HitTestMessage(ui::Message& message);
    void SysCommand(ui::Message& message);
    void MinMaxInfo(ui::Message& message);
    void SnapWindowPos(ui::Message& message);
    void BeginBorderResize(POINT screen);
    void EndBorderResize(POINT screen, bool apply);
    void TrackBorderResize(POINT screen);
    void DrawResizeFrame();
    void ShowTitleButtonHint(size_t index);
    void HideTitleButtonHint();
    TsCaptionButton* ButtonOfCode(int code);
    void RefreshSysMenu();
    void Post(UINT msg, WPARAM wparam, LPARAM lparam);
    void PerformSysCommand(WPARAM command);

    std::unique_ptr<TsCommonData> FCommonData;
    bool FDrawNonClientArea = true;
    bool FAllowExtBorders = true;
    ui::Alignment FCaptionAlignment = ui::taLeftJustify;
    TsGripMode FGripMode = gmNone;
    bool FMakeSkinMenu = false;
    core::String FMenuLineSkin;
    TsResizeMode FResizeMode = rmStandard;
    bool FScreenSnap = false;
    int FSnapBuffer = 10;
    bool FShowAppIcon = true;
    core::String FTitleSkin;
    bool FUseGlobalColor = true;
    bool FInAnimation = false;
    TsTitleIcon FTitleIcon;
    std::vector<TsTitleButton> FTitleButtons;
    std::unique_ptr<ui::HintWindow> m_hint;
    bool m_destroying = false;

public:
    // ---- Menu line (skinprovider_menu_win32.cpp) ----
    // The form shows a skinned menu line: a main menu with a visible item, not a dialog-style form
    // and not an MDI child.
    bool MenuPresent() const;
    int MenuHeight() const { return skin::MenuHeight(Frame()); }
    // Rows of the menu line, cached in FLinesCount until something changes.
    int MenuLinesCount();
    // Has the main menu rebuild its window menu; false without items or while already rebuilding.
    bool UpdateMenu();
    void InitMenuItems(bool active);
    void RepaintMenu();
    // Paints the menu line into the form image: the line's section over its rows, MenuLineBmp
    // taken from it, then every hooked item drawn by its handler at its place in the image.
    void PaintMenuLine(ui::Bitmap* image);
    // Where MenuLineBmp's top-left lies in the form image.
    POINT MenuLineOrigin() const { return FMenuLineOrigin; }
    // The form image point of a window point (menu items the system draws in the window).
    POINT WindowToImage(POINT p) const;
    // The provider whose PaintMenuLine is running, else null.
    static TsSkinProvider* PaintingMenuLine();
    // Menu messages the provider takes before the rest of its handling; true when done.
    bool MenuMessage(ui::Message& message);

    std::unique_ptr<ui::Bitmap> MenuLineBmp; // the menu line's background, 24-bit

private:
    POINT FMenuLineOrigin{};
    // The window's menu-bar items (window coordinates, by menu position) that the rows were
    // counted from; asking the system for them costs more than painting an item.
    std::vector<RECT> FMenuItemRects;
    HMENU FMenuRectsOf = nullptr;
};

// The unit-level state shared by every provider (GUI thread only).
struct ProviderUnitState {
    TsSkinProvider* MainMDIProvider = nullptr;
    TsSkinProvider* LastMDIChildProvider = nullptr;
    bool CaptionBtnPressed = false;
    bool MaxChildCreating = false;
    bool WheelForwarding = false;
    // The outline drag of the border resize mode.
    bool BorderResizing = false;
    TsSkinProvider* ResizingProvider = nullptr;
    BorderTrack Track;
    HWND DesktopWnd = nullptr;
    HDC DesktopDC = nullptr;
    int SavedDC = 0;
};
ProviderUnitState& ProviderState();

// The windowed control has a window.
bool HandleAllocatedOf(ui::Control* control);

// Window messages the class library's hints and the provider use.
constexpr UINT WM_SYSMENU_REQUEST = 0x0313;
constexpr UINT SC_DRAGMOVE = 0xF012;
constexpr UINT WM_REGION_PROBE = 0xBC4D;

} // namespace skin
