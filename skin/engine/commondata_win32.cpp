// The per-control skin state.
#include "skin/engine/commondata.h"

#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/skinnedforms.h"
#include "skin/engine/system.h"
#include "skin/engine/utils.h"
#include "ui/form.h"
#include "ui/frame.h"
#include "ui/application.h"
#include "ui/edit.h"
#include "ui/panel.h"
#include "ui/scrollbox.h"

namespace skin {

namespace {

std::unique_ptr<CacheBitmap> NewCacheBitmap() { return std::make_unique<CacheBitmap>(0, 0, ui::pf24bit); }

bool OwnerIsEdit(ui::Control* owner) { return dynamic_cast<ui::Edit*>(owner) != nullptr; }

} // namespace

TCacheInfo MakeCacheInfo(CacheBitmap* bmp, int x, int y)
{
    TCacheInfo info;
    info.Bmp = bmp;
    info.X = x;
    info.Y = y;
    info.FillColor = MaskKeyColor;
    info.Ready = true;
    return info;
}

TsCommonData::TsCommonData(core::Object* owner, bool createCacheBmp)
    : FOwnerControl(dynamic_cast<ui::Control*>(owner)), FOwnerObject(owner), m_wants_cache(createCacheBmp)
{
    if (createCacheBmp)
        FCacheBmp = NewCacheBitmap();
}

TsCommonData::~TsCommonData()
{
    SkinIndex = Texture = HotTexture = -1;
    FOwnerControl = nullptr;
    FOwnerObject = nullptr;
    FSkinManager = nullptr;
    if (FRegion)
        DeleteObject(FRegion);
}

const SectionData* TsCommonData::Section() const
{
    SkinManager* manager = GetSkinManager();
    if (!manager || !manager->IsValidSkinIndex(SkinIndex))
        return nullptr;
    return &manager->Section(SkinIndex);
}

void TsCommonData::SendStateToOwner(int subCode, SkinManager* manager)
{
    if (FOwnerControl)
        FOwnerControl->Perform(SM_SKINCMD, SkinWParam(subCode), LPARAM(manager));
}

// The form of a provider that owns this state, null for other owners.
static ui::Form* ProviderFormOf(core::Object* owner)
{
    auto* provider = dynamic_cast<FormSkinProvider*>(owner);
    return provider ? provider->ProviderForm() : nullptr;
}

// BeginUpdate and EndUpdate: a provider announces them to its form's window.
void TsCommonData::AnnounceUpdate(int subCode)
{
    if (FOwnerControl)
        SendStateToOwner(subCode, nullptr);
    else if (ui::Form* form = ProviderFormOf(FOwnerObject); form && form->HandleAllocated())
        SendMessageW(form->HandleIfAllocated(), SM_SKINCMD, SkinWParam(subCode), 0);
}

void TsCommonData::SetSkinSection(core::StringView value)
{
    if (value == FSkinSection)
        return;
    FSkinSection = value.empty() ? core::String(u"UNKNOWN") : core::UpperCase(value);
    SkinManager* manager = GetSkinManager();
    if (!manager || manager->SectionCount() == 0)
        SkinIndex = -1;
    else
        UpdateIndexes();
    if (FOwnerControl && !IsLoading(FOwnerControl) && !FOwnerControl->HasState(core::csReading) &&
        FOwnerControl->Parent() && !IsDestroying(FOwnerControl)) {
        bool valid = manager && manager->SectionCount() > 0 && manager->IsValidSkinIndex(SkinIndex);
        SendStateToOwner(valid ? scSkinRefresh : scSkinRemoved, manager);
    } else if (dynamic_cast<FormSkinProvider*>(FOwnerObject)) {
        BGChanged = true;
    }
}

void TsCommonData::SetSkinManager(SkinManager* value)
{
    if (value == FSkinManager)
        return;
    FSkinManager = value == DefaultManager() ? nullptr : value;
    if (FOwnerControl && IsLoading(FOwnerControl))
        return;
    if (value && value->SectionCount() > 0)
        UpdateIndexes();
    else
        SkinIndex = -1;
    bool valid = value && value->SectionCount() > 0 && value->IsValidSkinIndex(SkinIndex);
    if (FOwnerControl && FOwnerControl->Parent() && !IsDestroying(FOwnerControl))
        SendStateToOwner(valid ? scSkinRefresh : scSkinRemoved, value);
}

void TsCommonData::SetCustomColor(bool value)
{
    if (value == FCustomColor)
        return;
    FCustomColor = value;
    if (Skinned() && OwnerIsEdit(FOwnerControl) && !IsLoading(FOwnerControl)) {
        const SectionData* s = Section();
        if (!FCustomColor && FOwnerControl->GetColor() != s->Color)
            FOwnerControl->SetColor(s->Color);
        if (!FCustomFont && FOwnerControl->Font().FontColor() != s->FontColor[0])
            FOwnerControl->Font().SetColor(s->FontColor[0]);
        Invalidate();
    }
}

void TsCommonData::SetCustomFont(bool value)
{
    if (value == FCustomFont)
        return;
    FCustomFont = value;
    Invalidate();
}

bool TsCommonData::Skinned(bool checkSkinActive) const
{
    SkinManager* manager = GetSkinManager();
    if (!manager || SkinIndex < 0)
        return false;
    if (auto* component = dynamic_cast<core::Component*>(FOwnerObject); IsDestroying(component))
        return false;
    if (manager->Destroying())
        return false;
    if (checkSkinActive && !manager->Active())
        return false;
    return manager->IsValidSkinIndex(SkinIndex);
}

void TsCommonData::Loaded()
{
    SetDefaultSection();
    if (!Skinned() || !FOwnerControl || !FOwnerControl->Parent() || IsLoading(FOwnerControl))
        return;
    if (FOwnerControl->IsWindowed())
        NotifyFormOfControl(FOwnerControl);
    if (OwnerIsEdit(FOwnerControl) || COC == 97) {
        const SectionData* s = Section();
        if (!FCustomColor && FOwnerControl->GetColor() != s->Color)
            FOwnerControl->SetColor(s->Color);
        if (!FCustomFont && FOwnerControl->Font().FontColor() != s->FontColor[0])
            FOwnerControl->Font().SetColor(s->FontColor[0]);
    }
}

void TsCommonData::SetDefaultSection()
{
    if (!FSkinSection.empty()) {
        UpdateIndexes();
        return;
    }
    core::String section = DefaultSectionOf(COC);
    if (section.empty() && FOwnerObject)
        section = core::String(FOwnerObject->ClassName());
    SetSkinSection(section);
}

void TsCommonData::UpdateIndexes()
{
    auto* component = dynamic_cast<core::Component*>(FOwnerObject);
    if (component && IsDesigning(component) && OwnerFrameOf(component)) {
        SkinIndex = Texture = HotTexture = -1;
        return;
    }
    BGChanged = true;
    SkinManager* manager = GetSkinManager();
    SkinIndex = manager ? manager->GetSkinIndex(FSkinSection) : -1;
    UpdateBGType();
    CtrlSkinState = 0;
    if (SkinIndex >= 0 && manager && manager->IsValidSkinIndex(SkinIndex)) {
        BorderIndex = manager->Section(SkinIndex).BorderIndex;
        Texture = manager->GetTextureIndex(SkinIndex, FSkinSection, u"PATTERN");
        HotTexture = manager->GetTextureIndex(SkinIndex, FSkinSection, u"HOTPATTERN");
        UpdateCtrlState(false);
    } else {
        Texture = HotTexture = -1;
    }
}

void TsCommonData::UpdateBGType()
{
    BGType = 0;
    const SectionData* s = Section();
    if (!s)
        return;
    if (s->ImagePercent != 0)
        BGType |= 4;
    if (s->GradientPercent != 0 && !s->GradientArray.empty()) {
        switch (s->GradientArray[0].Mode1) {
        case 0: BGType |= 2; break;
        case 1: BGType |= 1; break;
        case 2: BGType |= 3; break;
        default: break;
        }
    }
}

void TsCommonData::UpdateCtrlState(bool children)
{
    CtrlSkinState &= ~uint16_t(1);
    // Frames, panels and scrolling containers (forms among them) paint a plain background directly.
    bool container = dynamic_cast<ui::TFrame*>(FOwnerControl) || dynamic_cast<ui::Panel*>(FOwnerControl) ||
                     dynamic_cast<ui::ScrollBox*>(FOwnerControl) || dynamic_cast<ui::Form*>(FOwnerControl) ||
                     (FOwnerObject && !FOwnerControl && COC == ckSkinProvider);
    if (container && !BgNeedsCache())
        CtrlSkinState |= 1;
    if (children) {
        if (auto* w = dynamic_cast<ui::WinControl*>(FOwnerControl))
            for (int i = 0; i < w->ControlCount(); ++i)
                SendAcMessageTo(w->Controls(i), scCtrlSkinState, 1);
    }
}

void TsCommonData::BeginUpdate()
{
    FUpdating = true;
    AnnounceUpdate(scBeginUpdate);
}

void TsCommonData::EndUpdate()
{
    FUpdating = false;
    AnnounceUpdate(scEndUpdate);
}

bool TsCommonData::GetUpdating()
{
    SkinManager* manager = GetSkinManager();
    if (!manager || manager->Designing())
        return false;
    if (!NeedsCachePaint())
        return FUpdating;
    if (!FOwnerControl || IsDestroying(FOwnerControl))
        return FUpdating;
    if (FUpdating)
        return true;
    if (FOwnerControl->Parent())
        return SendAcCode(FOwnerControl->Parent(), scIsUpdating) != 0;
    return true;
}

void TsCommonData::Invalidate()
{
    if (!FOwnerControl || IsDestroying(FOwnerControl) || IsLoading(FOwnerControl))
        return;
    BGChanged = true;
    if (ControlIsReady(FOwnerControl))
        FOwnerControl->Invalidate();
}

bool TsCommonData::NeedsCachePaint()
{
    return Engine().FormAnimationActive || (CtrlSkinState & 1) == 0 || IsHotOrFocused();
}

bool TsCommonData::BgNeedsCache()
{
    SkinManager* manager = GetSkinManager();
    const SectionData* s = Section();
    if (!manager || !s)
        return false;
    if (manager->IsValidImgIndex(BorderIndex)) {
        const MaskData& m = manager->Mask(BorderIndex);
        if (m.WL + m.WR > 30 || m.WT + m.WB > 30)
            return true;
    }
    if (s->Transparency == 100) {
        if (!FOwnerControl || !FOwnerControl->Parent())
            return true;
        return (SendAcMessageTo(FOwnerControl->Parent(), scCtrlSkinState, 0) & 1) == 0;
    }
    if (s->Transparency != 0)
        return true;
    return s->ImagePercent != 0 || s->GradientPercent != 0;
}

bool TsCommonData::IsHotOrFocused() const
{
    if (!FOwnerControl || IsDestroying(FOwnerControl) || IsDesigning(FOwnerControl) || !FOwnerControl->Enabled())
        return false;
    if (FFocused)
        return true;
    if (auto* w = dynamic_cast<ui::WinControl*>(FOwnerControl); w && w->HandleAllocated() && w->Focused())
        return true;
    return FMouseAbove && (COC > 255 || !IsNoHotKind(COC));
}

bool TsCommonData::IsTransparent() const
{
    const SectionData* s = Section();
    return s && s->Transparency > 0;
}

bool TsCommonData::RepaintIfMoved()
{
    if (UrgentPainting || !Skinned())
        return true;
    if (!FOwnerControl || !FOwnerControl->Visible())
        return true;
    const SectionData* s = Section();
    if (!s)
        return false;
    bool flag = !FOwnerControl->Enabled() || s->Transparency > 0;
    if (flag && FOwnerControl->Parent() && FOwnerControl->Parent()->HandleAllocated())
        return SendAcCode(FOwnerControl->Parent(), scIsTextured) != 0;
    return flag;
}

bool TsCommonData::ParentTextured()
{
    if (FOwnerControl && FOwnerControl->Parent() && FOwnerControl->Parent()->HandleAllocated())
        return SendAcCode(FOwnerControl->Parent(), scIsTextured) != 0;
    return false;
}

int TsCommonData::MaxBorderWidth() const
{
    SkinManager* manager = GetSkinManager();
    if (!manager || !manager->IsValidImgIndex(BorderIndex))
        return 0;
    const MaskData& m = manager->Mask(BorderIndex);
    if (m.DrawMode & 2)
        return 0;
    return MaxOf(MaxOf(m.WT, m.WL), MaxOf(m.WR, m.WB));
}

void TsCommonData::InitCacheBmp()
{
    if (!FCacheBmp)
        FCacheBmp = NewCacheBitmap();
    if (FCacheBmp && FOwnerControl &&
        (FCacheBmp->Width() != FOwnerControl->Width() || FCacheBmp->Height() != FOwnerControl->Height()))
        FCacheBmp->SetSize(FOwnerControl->Width(), FOwnerControl->Height());
}

void TsCommonData::EnsureCacheBmp() { InitCacheBmp(); }

void TsCommonData::EmptyCacheBmp()
{
    if (FCacheBmp)
        FCacheBmp->SetSize(0, 0);
}

uint32_t TsCommonData::GetBgColor(int state, HWND handle)
{
    // A provider's own colour is its form's.
    auto own = [&]() -> uint32_t {
        if (FOwnerControl)
            return FOwnerControl->GetColor();
        if (ui::Form* form = ProviderFormOf(FOwnerObject))
            return ui::ColorToRGB(form->GetColor());
        return ui::clBtnFace;
    };
    const SectionData* s = Section();
    if (!Skinned() || !s)
        return own();
    uint32_t c = state == 1 ? s->HotColor : s->Color;
    int t = state == 1 ? s->HotTransparency : s->Transparency;
    if (t == 0)
        return FCustomColor ? own() : c;
    if (t == 100) {
        if (FOwnerControl)
            return ControlBgColor(FOwnerControl->Parent());
        // A wrapped raw window shows its parent window through.
        if (handle)
            return WndBgColor(GetParent(HWND(handle)));
        return ui::clBtnFace;
    }
    if (!FOwnerControl)
        return 0;
    return BlendColors(c, ControlBgColor(FOwnerControl->Parent()), t / 100.0);
}

void TsCommonData::GetBgInfo(TacBGQuery& query, int state, HWND handle)
{
    const SectionData* s = Section();
    if (!Skinned() || FCustomColor || !s) {
        query.BgType = 1;
        query.Color = FOwnerControl ? FOwnerControl->GetColor() : ui::clBtnFace;
        return;
    }
    SkinManager* manager = GetSkinManager();
    int t = state == 1 ? s->HotTransparency : s->Transparency;
    int g = state == 1 ? s->HotGradientPercent : s->GradientPercent;
    int im = state == 1 ? s->HotImagePercent : s->ImagePercent;
    bool light = true;
    if (manager->IsValidImgIndex(BorderIndex)) {
        const MaskData& m = manager->Mask(BorderIndex);
        light = m.WL + m.WR <= 24 && m.WT + m.WB <= 24;
    }
    if (t == 100 && light) {
        if (FOwnerControl && FOwnerControl->Parent()) {
            if (QueryBgOfControl(query, FOwnerControl->Parent(), query.PleaseDraw) && query.BgType == 2) {
                query.Offset.x += FOwnerControl->Left();
                query.Offset.y += FOwnerControl->Top();
            }
        } else {
            query.BgType = 1;
            query.Color = manager->GlobalColor();
        }
        return;
    }
    if (!FCacheBmp && (t == 100)) {
        query.BgType = 1;
        query.Color = FOwnerControl && FOwnerControl->Parent() ? ControlBgColor(FOwnerControl->Parent())
                                                                : manager->GlobalColor();
        return;
    }
    if (!FCacheBmp && ((t != 0 && t != 100) || (t == 0 && (g > 0 || im > 0)))) {
        query.BgType = 1;
        query.Color = MaskKeyColor;
        return;
    }
    if (t == 0 && g <= 0 && im <= 0) {
        query.BgType = 1;
        query.Bmp = FCacheBmp.get();
        query.Color = GetBgColor(state, nullptr);
        if (query.PleaseDraw && query.DrawDC) {
            HBRUSH brush = CreateSolidBrush(ui::ColorToRGB(query.Color));
            FillRect(query.DrawDC, &query.R, brush);
            DeleteObject(brush);
        }
        return;
    }
    query.BgType = 2;
    if (query.PleaseDraw && query.DrawDC && FCacheBmp) {
        BitBlt(query.DrawDC, query.R.left, query.R.top, query.R.right - query.R.left, query.R.bottom - query.R.top,
               FCacheBmp->Canvas().Handle(), query.Offset.x, query.Offset.y, SRCCOPY);
    } else {
        query.Bmp = FCacheBmp.get();
        query.Offset = {0, 0};
    }
}

void TsCommonData::GetParentCache(TCacheInfo& info)
{
    if (Skinned() && FOwnerControl && FOwnerControl->Parent()) {
        TacBGQuery query;
        QueryBgOfControl(query, FOwnerControl->Parent(), false);
        BgQueryToCacheInfo(query, info);
        return;
    }
    info.X = info.Y = 0;
    info.FillColor = GetBgColor(0, nullptr);
    info.Ready = false;
}

void TsCommonData::UpdateGlow(bool hide, HWND handle)
{
    SkinManager* manager = GetSkinManager();
    if (!manager || !manager->AllowGlowing())
        return;
    const SectionData* s = Section();
    if (!s || s->GlowCount < 1)
        return;
    RECT a{}, b{};
    HWND host = nullptr;
    if (FOwnerControl) {
        // A press or the mouse going hides the glow; its window goes with it.
        if (!FMouseAbove || FOwnerControl->LButtonDown() || (hide && GlowID != -1)) {
            RemoveGlowEffect(GlowID);
            GlowID = -1;
            return;
        }
        if (ui::Form* form = FOwnerControl->ParentForm()) {
            ui::WinControl* outer = form->Parent();
            if (outer && outer->HandleAllocated())
                host = GetAncestor(outer->HandleIfAllocated(), GA_ROOT);
            else if (form->HandleAllocated())
                host = form->HandleIfAllocated();
            // An MDI child's glow hangs on its skinned frame: the child is a window inside it.
            if (form->FormStyle() == ui::fsMDIChild)
                if (ui::Form* frame = form->MDIParent(); frame && frame->HandleAllocated() && ProviderOf(frame))
                    host = frame->HandleIfAllocated();
        }
        auto* windowed = dynamic_cast<ui::WinControl*>(FOwnerControl);
        if (windowed) {
            if (!windowed->HandleAllocated())
                return;
            HWND wnd = windowed->HandleIfAllocated();
            GetWindowRect(wnd, &a);
            HDC dc = GetWindowDC(wnd);
            GetClipBox(dc, &b);
            ReleaseDC(wnd, dc);
        } else {
            ui::WinControl* parent = FOwnerControl->Parent();
            if (!parent || !parent->HandleAllocated())
                return;
            const RECT bounds = FOwnerControl->BoundsRect();
            const POINT origin = parent->ClientToScreen(POINT{bounds.left, bounds.top});
            a = RECT{origin.x, origin.y, origin.x + bounds.right - bounds.left, origin.y + bounds.bottom - bounds.top};
            HWND wnd = parent->HandleIfAllocated();
            HDC dc = GetDC(wnd);
            RECT clip{};
            GetClipBox(dc, &clip);
            ReleaseDC(wnd, dc);
            IntersectRect(&b, &clip, &bounds);
            OffsetRect(&b, -bounds.left, -bounds.top);
        }
    } else {
        if (!handle)
            return;
        GetWindowRect(handle, &a);
        HDC dc = GetWindowDC(handle);
        GetClipBox(dc, &b);
        ReleaseDC(handle, dc);
        host = GetAncestor(handle, GA_ROOT);
    }
    // A glow that shows already makes way for the new one, so that two never pile up.
    RemoveGlowEffect(GlowID);
    GlowID = AddGlowEffect(a, b, FSkinSection, u"GLOW", s->GlowMargin, 255, host, manager);
}

bool QueryBgOfControl(TacBGQuery& query, ui::Control* control, bool sendPleaseDraw)
{
    if (!control)
        return false;
    bool keptPleaseDraw = query.PleaseDraw;
    query.BgType = 0;
    query.PleaseDraw = sendPleaseDraw;
    auto* w = dynamic_cast<ui::WinControl*>(control);
    if (w && w->HandleAllocated())
        SendMessageW(w->HandleIfAllocated(), SM_SKINCMD, SkinWParam(scGetBackground), LPARAM(&query));
    else
        control->Perform(SM_SKINCMD, SkinWParam(scGetBackground), LPARAM(&query));
    bool answered = query.BgType != 0;
    if (!answered) {
        // Unanswered: a colour answer from the control's own background colour.
        LRESULT color = SendAcCode(control, scGetBgColor);
        query.BgType = 1;
        query.Color = color != 0 ? uint32_t(color) : ui::ColorToRGB(control->GetColor());
        if (query.PleaseDraw && query.Bmp && query.DrawDC) {
            HBRUSH brush = CreateSolidBrush(query.Color);
            FillRect(query.DrawDC, &query.R, brush);
            DeleteObject(brush);
        }
        (void)keptPleaseDraw;
    }
    query.PleaseDraw = keptPleaseDraw;
    return answered;
}

void BgQueryToCacheInfo(const TacBGQuery& query, TCacheInfo& info)
{
    if (query.BgType == 2) {
        info = MakeCacheInfo(query.Bmp, query.Offset.x, query.Offset.y);
        return;
    }
    info.X = info.Y = 0;
    info.Ready = false;
    info.Bmp = nullptr;
    info.FillColor = ui::ColorToRGB(query.Color);
}

uint32_t ControlBgColor(ui::Control* control)
{
    if (!control)
        return MaskKeyColor;
    if (SendAcCode(control, scIsSkinAware) == 1) {
        LRESULT answer = SendAcCode(control, scGetBgColor);
        return ui::ColorToRGB(answer != 0 ? uint32_t(answer) : MaskKeyColor);
    }
    return control->GetColor();
}

int ParentFontIndex(ui::Control* control, int defaultIndex, SkinManager* manager)
{
    if (!control || !manager)
        return defaultIndex;
    for (ui::Control* c = control; c && c->Parent(); c = c->Parent()) {
        ui::WinControl* parent = c->Parent();
        if (!parent->HandleAllocated())
            return defaultIndex;
        int d = int(SendAcMessage(parent->HandleIfAllocated(), scGetSkinIndex, 0)) - 1;
        if (d < 0 || !manager->IsValidSkinIndex(d))
            return defaultIndex;
        const SectionData& s = manager->Section(d);
        if (s.Transparency > 50)
            continue;
        return s.GiveOwnFont ? d : defaultIndex;
    }
    return defaultIndex;
}

void SuppressHints()
{
    EngineFlags& e = Engine();
    if (e.HintsSuppressed)
        return;
    e.SavedShowHint = ui::App().ShowHint();
    ui::App().SetShowHint(false);
    e.HintsSuppressed = true;
}

void RestoreHints()
{
    EngineFlags& e = Engine();
    if (!e.HintsSuppressed)
        return;
    ui::App().SetShowHint(e.SavedShowHint);
    e.HintsSuppressed = false;
}

LRESULT ApplicationAnswer() { return LRESULT(&ui::App()); }

bool AnswerSkinQuery(ui::Message& message)
{
    if (message.Msg != SM_SKINCMD)
        return false;
    switch (SubCodeOf(message.WParam)) {
    case scIsSkinAware:
        message.Result = 1;
        return true;
    case scGetApplication:
        message.Result = ApplicationAnswer();
        return true;
    default:
        return false;
    }
}

} // namespace skin
