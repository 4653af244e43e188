// The skin state that every skinned control owns: its section and where that section lies in the
// skin manager's tables, which manager serves it, its cache bitmap, whether its background must be
// rebuilt, whether it is updating, focused or hot, and what kind of control it is. Without a skin
// manager (the client) it keeps its section name, reports itself unskinned and the control paints
// as the standard control it extends.
#pragma once

#include "skin/engine/command.h"
#include "skin/engine/kinds.h"
#include "skin/engine/skinmanager.h"
#include "ui/bitmap.h"

#include <memory>

namespace skin {

// The cache bitmap a skinned control paints its face into: the class library's 24-bit DIB section,
// with its memory device context made on first use.
using CacheBitmap = ui::Bitmap;

// The background a control paints over: a bitmap region when Ready, else the plain FillColor
// ($FF00FF meaning none).
struct TCacheInfo {
    CacheBitmap* Bmp = nullptr;
    int X = 0, Y = 0;
    uint32_t FillColor = MaskKeyColor;
    bool Ready = false;
};
TCacheInfo MakeCacheInfo(CacheBitmap* bmp, int x, int y);

// The record of the background request (sub-code 34).
struct TacBGQuery {
    CacheBitmap* Bmp = nullptr;
    uint32_t Color = 0;
    POINT Offset{};
    RECT R{};
    BYTE BgType = 0; // 0 unanswered, 1 colour, 2 bitmap
    bool PleaseDraw = false;
    HDC DrawDC = nullptr;
};

class TsCommonData : public core::Object {
public:
    TsCommonData(core::Object* owner, bool createCacheBmp);
    ~TsCommonData() override;
    core::String ClassName() const override { return u"TsCommonData"; }
    TsCommonData(const TsCommonData&) = delete;
    TsCommonData& operator=(const TsCommonData&) = delete;

    // ---- Published properties ----
    const core::String& SkinSection() const { return FSkinSection; }
    void SetSkinSection(core::StringView value);
    // The state's own manager, else the default manager; null when none exists.
    SkinManager* GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager(); }
    void SetSkinManager(SkinManager* value);
    bool ManagerStored() const { return FSkinManager != nullptr; }
    bool CustomColor() const { return FCustomColor; }
    void SetCustomColor(bool value);
    bool CustomFont() const { return FCustomFont; }
    void SetCustomFont(bool value);

    // ---- State ----
    bool Skinned(bool checkSkinActive = false) const;
    void Loaded();
    void UpdateIndexes();
    void UpdateBGType();
    void SetDefaultSection();
    void UpdateCtrlState(bool children);
    void BeginUpdate();
    void EndUpdate();
    bool GetUpdating();
    void SetUpdating(bool value) { FUpdating = value; }
    void Invalidate();

    // ---- Predicates ----
    bool NeedsCachePaint();
    bool BgNeedsCache();
    bool IsHotOrFocused() const;
    bool IsTransparent() const;
    bool RepaintIfMoved();
    bool ParentTextured();
    int MaxBorderWidth() const;

    // ---- Cache and background ----
    bool WantsCacheBmp() const { return m_wants_cache; }
    // Made (24-bit, empty) with the state when the owner asked for it, else by InitCacheBmp.
    CacheBitmap* CacheBmp() const { return FCacheBmp.get(); }
    // Makes the cache bitmap when missing and gives it the owner control's size.
    void InitCacheBmp();
    void EnsureCacheBmp();
    // Empties the cache bitmap (size 0 x 0) when there is one.
    void EmptyCacheBmp();
    void GetBgInfo(TacBGQuery& query, int state, HWND handle);
    uint32_t GetBgColor(int state, HWND handle);
    void GetParentCache(TCacheInfo& info);
    void UpdateGlow(bool hide, HWND handle);

    ui::Control* OwnerControl() const { return FOwnerControl; }
    core::Object* OwnerObject() const { return FOwnerObject; }
    const SectionData* Section() const; // null unless SkinIndex is valid

    // ---- Fields read and set by the controls and handlers ----
    int GlowID = -1;
    int BorderIndex = -1;
    int SkinIndex = -1;
    int Texture = -1;
    int HotTexture = -1;
    void* GraphControl = nullptr;
    bool UrgentPainting = false;
    bool BGChanged = true;
    bool HalfVisible = true;
    int COC = 0;
    bool FFocused = false;
    bool FMouseAbove = false;
    uint16_t CtrlSkinState = 0;
    uint16_t BGType = 0;
    HRGN FRegion = nullptr;
    bool FUpdating = false;
    SkinManager* FSkinManager = nullptr;

private:
    void SendStateToOwner(int subCode, SkinManager* manager);
    void AnnounceUpdate(int subCode);

    core::String FSkinSection;
    bool FCustomFont = false;
    bool FCustomColor = false;
    ui::Control* FOwnerControl = nullptr;
    core::Object* FOwnerObject = nullptr;
    std::unique_ptr<CacheBitmap> FCacheBmp;
    bool m_wants_cache = false;
};

// ---- Handlers every skinned control runs its messages through ----
// True when the skin command is fully answered (Result set) and the caller must stop.
bool HandleSkinCommand(ui::Message& message, TsCommonData* data);
// The skin command goes to HandleSkinCommand; focus, moves, sizes, visibility, enabling and the
// mouse update the state. True only where the message is finished.
bool HandleCommonMessage(ui::Message& message, TsCommonData* data);

// ---- Background queries ----
bool QueryBgOfControl(TacBGQuery& query, ui::Control* control, bool sendPleaseDraw);
void BgQueryToCacheInfo(const TacBGQuery& query, TCacheInfo& info);
// A skin-aware control's answer to sub-code 21 (its Color otherwise), $FF00FF for null.
uint32_t ControlBgColor(ui::Control* control);
int ParentFontIndex(ui::Control* control, int defaultIndex, SkinManager* manager);

// ---- Hints switched off while a control handles a press or an arrangement ----
// Saves the application's ShowHint and switches hints off, unless a control already did.
void SuppressHints();
// Puts the saved value back and clears the switch.
void RestoreHints();

// The application object as the answer to sub-code 60.
LRESULT ApplicationAnswer();

// The first step of every skinned control's window procedure, skinned or not: sub-code 7 answered
// with 1 and sub-code 60 with the application object. True when the message was one of them.
bool AnswerSkinQuery(ui::Message& message);

} // namespace skin
