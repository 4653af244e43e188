// The form skin provider: a component dropped on a form that takes over the form's window method,
// decides what the form's previous method sees of each message, measures the skinned frame, answers
// the hit test, runs the title-bar mouse handling and the system menu, and skins the form's children
// through the control adapter. Without a skin manager with an active skin it stays attached and
// passes every message on, answering only a few skin queries.
#pragma once

#include "core/component.h"
#include "core/win32.h"
#include "skin/engine/commondata.h"
#include "skin/engine/consts.h"
#include "skin/engine/skinnedforms.h"
#include "skin/windows/formgeometry.h"
#include "skin/windows/titlebuttons.h"
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
class TsMDIForm;
class TsSkinProvider;
class TacBorderForm;
class BorderFormOwner;

enum TsGripMode { gmNone, gmRightBottom };
enum TsResizeMode { rmStandard, rmBorder };
enum TShowAction { saIgnore, saRestore, saMinimize, saMaximize };

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
    HWND BorderWindow() const override;
    void ApplyFormRegion() override;
    HRGN CreateFormRegion() override { return CreateFormRgn(0, 0); }
    void UpdateExBordersPos(bool repaint, BYTE alpha) override;
    void PaintFormCache() override;
    void MakeBorderRegion() override;

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
    TsTitleButtons& TitleButtons() { return FTitleButtons; }
    // The hint of the hot user title button; null while none is up.
    ui::HintWindow* TitleButtonHint() const { return m_hint.get(); }

    // ---- Events ----
    TAddItemEvent OnSkinItem;
    // Asked first by the border window's hit test; a non-zero Result is the answer.
    std::function<void(ui::Message& message)> OnExtHitTest;

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
    // The caption buttons, their rules and the grip for a screen point, in form-image coordinates.
    TitleHitInput HitInput(POINT screen);

    // ---- The form image (formpaint_win32.cpp) ----
    // Copies the four frame strips of the image to a window DC.
    void BltFrameFromCache(HDC dc);
    void HandleNCPaint();
    void HandlePaint(ui::Message& message);
    void PaintClientArea(HDC dc, bool notify);
    void PaintFormClient(HDC dc);
    void EraseBackground(ui::Message& message);
    void PrintForm(ui::Message& message);
    void PaintGripImage(HDC dc);
    void PaintCaptionButtons();
    // Repaints one caption button after its state changed: faded when glowing or extended borders
    // allow it, else straight into the image and the window.
    void RedrawCaptionButton(int hitCode);
    void SaveTitleBg();
    void RedrawTitleFromSaved(const Rect& r);
    void StoreButtonStrip(bool fullHeight);
    void RestoreButtonStrip();
    // The borderless cover shown while Windows paints its own caption once (text or activation change).
    void PlaceCaptionForm(bool fullHeight);
    void FreeCaptionForm();
    // The right end of the title strip with the background under the caption buttons.
    ui::Bitmap* TempBmp() const { return m_tempBmp.get(); }
    ui::Bitmap* TitleBG() const { return m_titleBG.get(); }
    // The caption cover form while it is placed, else null.
    ui::Form* CaptForm() const { return m_captForm.get(); }

    // ---- Regions and extended borders (formregion_win32.cpp) ----
    void PrepareArOR();
    HRGN CreateFormRgn(int x, int y);
    // Gives the window its region; true when it was handed over, false when there was none to
    // give or (without repaint, or with keepSame) the window has an equal one already.
    bool ApplyFormRgn(bool repaint, bool keepSame = false);
    void UpdateExtBorders(bool allowed);
    TacBorderForm* BorderForm() const { return m_borderForm.get(); }
    // Stops and frees every caption-button fade.
    void FreeButtonTimers();
    // Starts or re-aims the fade of a caption button (state 1 fades in, 2 jumps, 0 fades out).
    void StartBtnAnimation(TsCaptionButton& button, int state, int steps, bool up);
    TacAddedTitle& AddedTitle() { return *m_addedTitle; }
    TAOR ArOR;

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
    friend class ProviderBorderOwner;
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
    TsTitleButtons FTitleButtons{this};
    std::unique_ptr<ui::HintWindow> m_hint;
    bool m_destroying = false;

public:
    // ---- MDI (skinprovider_mdi_win32.cpp) ----
    // The frame's client object; made by HookMDI(true) while the frame is skinned.
    std::unique_ptr<TsMDIForm> MDIForm;
    TsCaptionButton MDIMin, MDIMax, MDIClose;
    // Makes (and connects) or frees the client object of an MDI frame.
    void HookMDI(bool active);
    // The maximised child's buttons show in this frame's menu line.
    bool MDIChildButtonsShown() const;
    int MDIButtonWidth() const;
    int MDIButtonHeight() const;
    // The MDI messages the provider takes before its other handling; true when done.
    bool MDIMessage(ui::Message& message);
    bool IsMDIFrame() const { return Form && Form->FormStyle() == ui::fsMDIForm; }
    bool IsMDIChildForm() const { return Form && Form->FormStyle() == ui::fsMDIChild; }

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
    // The form image's helpers.
    // The rows of the menu line in the form image (at least one once counted); 0 without a line.
    int MenuLineHeight() const;
    void PaintTitleBar(const TCacheInfo& ci);
    void PaintTitleIcon();
    void PaintCaptionText(bool exMode1);
    void PaintExBorderImage(bool exMode1, int titleBottom);
    void DrawCaptionButton(TsCaptionButton& b, bool user, int state, ui::Bitmap* target, POINT at);
    void CopyFromCache(HDC dc, int dstX, int dstY, int width, int height, int srcX, int srcY);
    int TitleBottom() const;
    bool SingleImageBorder() const;
    std::unique_ptr<ui::Bitmap> m_titleBG;
    // The title background no longer matches the form (it was sized); its bitmap is reused.
    bool m_titleBGStale = false;
    std::unique_ptr<ui::Bitmap> m_tempBmp;
    // The title under the caption plate, kept between paints.
    std::unique_ptr<ui::Bitmap> m_plateBG;
    std::unique_ptr<ui::Form> m_captForm;
    ui::WndMethod m_captFormOldProc;
    std::unique_ptr<BorderFormOwner> m_borderOwner;
    std::unique_ptr<TacBorderForm> m_borderForm;
    std::vector<std::unique_ptr<TacSBAnimation>> m_buttonTimers;
    std::unique_ptr<TacAddedTitle> m_addedTitle;
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
    // The system's frame metrics, read once and read again after a settings change.
    SystemFrameMetrics FrameMetrics;
    bool FrameMetricsValid = false;
};
ProviderUnitState& ProviderState();

// The system's frame metrics as Frame() uses them.
const SystemFrameMetrics& CachedFrameMetrics();
// Drops the cached frame metrics when the message says the system's settings changed.
void ForgetFrameMetricsOn(UINT msg);

// The windowed control has a window.
bool HandleAllocatedOf(ui::Control* control);

// Hides a window behind a nearly transparent layered image for a show animation (true when it made
// it layered), or takes WS_VISIBLE and the layered style away again.
bool SetLayeredForAnimation(HWND wnd, bool enable);

// Window messages the class library's hints and the provider use.
constexpr UINT WM_SYSMENU_REQUEST = 0x0313;
constexpr UINT SC_DRAGMOVE = 0xF012;
constexpr UINT WM_REGION_PROBE = 0xBC4D;

} // namespace skin
