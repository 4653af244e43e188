// The message handling that every skinned control shares: the answers to the skin command message
// and what focus, moves, sizes, visibility, enabling and the mouse change in the skin state.
#include "skin/engine/commondata.h"
#include "skin/engine/glow.h"

#include "skin/engine/utils.h"
#include "ui/edit.h"
#include "ui/label.h"

namespace skin {

namespace {

bool ManagerMatches(TsCommonData* data, LPARAM lparam)
{
    return LPARAM(data->GetSkinManager()) == lparam;
}

void EditStandardColors(TsCommonData* data, ui::Control* owner)
{
    if (!data->CustomColor())
        owner->SetColor(ui::clWindow);
    if (!data->CustomFont())
        owner->Font().SetColor(ui::clWindowText);
    if (auto* w = dynamic_cast<ui::WinControl*>(owner); w && w->HandleAllocated())
        RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

uint32_t BlendByTransparency(int t, uint32_t p, uint32_t s)
{
    uint32_t result = p & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        int pc = int((p >> shift) & 0xFF), sc = int((s >> shift) & 0xFF);
        result |= uint32_t(ClampByte((t * (pc - sc) + 256 * sc) >> 8)) << shift;
    }
    return result;
}

// The answer to sub-code 21.
LRESULT BgColorAnswer(TsCommonData* data)
{
    ui::Control* owner = data->OwnerControl();
    const SectionData* s = data->Section();
    if (!data->Skinned() || !s)
        return LRESULT(ui::ColorToRGB(owner->GetColor()));
    if (s->Transparency == 0)
        return LRESULT(s->Color);
    ui::WinControl* parent = owner->Parent();
    if (s->Transparency == 100) {
        if (!parent)
            return LRESULT(ui::ColorToRGB(owner->GetColor()));
        uint32_t answer = parent->HandleAllocated()
                              ? uint32_t(SendMessageW(parent->HandleIfAllocated(), SM_SKINCMD, SkinWParam(scGetBgColor), 0))
                              : uint32_t(SendAcCode(parent, scGetBgColor));
        return LRESULT(answer == MaskKeyColor ? parent->GetColor() : answer);
    }
    uint32_t p = parent ? uint32_t(SendAcCode(parent, scGetBgColor)) : ui::ColorToRGB(owner->GetColor());
    return LRESULT(BlendByTransparency(s->Transparency, p, s->Color));
}

} // namespace

bool HandleSkinCommand(ui::Message& message, TsCommonData* data)
{
    if (!data || message.Msg != SM_SKINCMD)
        return false;
    ui::Control* owner = data->OwnerControl();
    int flag = FlagOf(message.WParam);
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
        if (ManagerMatches(data, message.LParam)) {
            data->UpdateIndexes();
            data->UpdateCtrlState(false);
        }
        return false;
    case scSkinRemoved:
        if (ManagerMatches(data, message.LParam)) {
            if (data->FSkinManager && data->FSkinManager->Destroying())
                data->FSkinManager = nullptr;
            data->BorderIndex = data->SkinIndex = data->Texture = data->HotTexture = -1;
            data->FUpdating = true;
            data->EmptyCacheBmp();
            if (dynamic_cast<ui::Edit*>(owner)) {
                EditStandardColors(data, owner);
            } else if (auto* w = dynamic_cast<ui::WinControl*>(owner)) {
                for (int i = 0; i < w->ControlCount(); ++i)
                    if (auto* label = dynamic_cast<ui::Label*>(w->Controls(i)))
                        label->Font().SetColor(ui::clWindowText);
            }
        }
        return false;
    case scSkinRefresh:
        if (ManagerMatches(data, message.LParam)) {
            data->BGChanged = true;
            data->SetUpdating(false);
            if (data->Skinned() && dynamic_cast<ui::Edit*>(owner)) {
                const SectionData* s = data->Section();
                if (!data->CustomColor())
                    owner->SetColor(s->Color);
                if (!data->CustomFont())
                    owner->Font().SetColor(s->FontColor[0]);
                if (auto* w = static_cast<ui::WinControl*>(owner); w->HandleAllocated())
                    RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            }
            data->UpdateCtrlState(false);
        }
        return false;
    case scIsSkinAware:
        message.Result = 1;
        return true;
    case scSetUpdating:
        data->FUpdating = flag == 1;
        return false;
    case scSetUrgentPainting:
        data->UrgentPainting = flag == 1;
        return false;
    case scIsUpdating:
        message.Result = (data->BGChanged || data->FUpdating) ? 1 : 0;
        return true;
    case scIsHalfVisible:
        message.Result = data->HalfVisible ? 1 : 0;
        return true;
    case scParentBgChanged:
        if (data->IsTransparent() && flag == 1)
            data->BGChanged = true;
        return false;
    case scSectionChanged:
        if (core::UpperCase(data->SkinSection()) == Engine().UpdatedSectionName)
            data->Invalidate();
        return false;
    case scBgChanged:
        data->BGChanged = true;
        return false;
    case scIsTextured: {
        const SectionData* s = data->Section();
        if (!s)
            return false;
        if (s->Transparency == 100 && owner && owner->Parent())
            message.Result = data->ParentTextured() ? 1 : 0;
        else
            message.Result = (s->GradientPercent + s->ImagePercent > 0 || data->RepaintIfMoved()) ? 1 : 0;
        return true;
    }
    case scMoved: {
        bool x = data->RepaintIfMoved();
        data->BGChanged = data->BGChanged || x;
        if (auto* w = dynamic_cast<ui::WinControl*>(owner)) {
            if (flag == 1 && w->HandleAllocated())
                RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_ALLCHILDREN);
            if (x)
                for (int i = 0; i < w->ControlCount(); ++i)
                    if (!IsDestroying(w->Controls(i)))
                        SendAcMessageTo(w->Controls(i), scMoved, 0, 0);
        }
        return false;
    }
    case scGetBgColor:
        if (!owner)
            return false;
        message.Result = BgColorAnswer(data);
        return true;
    case scSetHalfVisible:
        data->HalfVisible = true;
        return false;
    case scGetSkinIndex:
        message.Result = data->SkinIndex + 1;
        return true;
    case scGetBackground:
        if (message.LParam)
            data->GetBgInfo(*reinterpret_cast<TacBGQuery*>(message.LParam), 0, nullptr);
        return false;
    case scCtrlSkinState:
        if (message.LParam == 1)
            data->UpdateCtrlState(true);
        else
            message.Result = data->CtrlSkinState;
        return true;
    case scGetApplication:
        message.Result = ApplicationAnswer();
        return false;
    default:
        return false;
    }
}

bool HandleCommonMessage(ui::Message& message, TsCommonData* data)
{
    if (!data)
        return false;
    if (message.Msg == SM_SKINCMD)
        return HandleSkinCommand(message, data);
    ui::Control* owner = data->OwnerControl();
    auto* windowed = dynamic_cast<ui::WinControl*>(owner);
    switch (message.Msg) {
    case WM_MOVE:
        if (data->RepaintIfMoved()) {
            data->BGChanged = true;
            if (owner)
                owner->Perform(SM_SKINCMD, SkinWParam(scMoved, 1), 0);
            RemoveGlowEffect(data->GlowID);
            data->GlowID = -1;
        }
        break;
    case WM_SIZE:
        if (data->Skinned()) {
            data->BGChanged = true;
            const SectionData* s = data->Section();
            if (windowed && s && s->GradientPercent > 0)
                for (int i = 0; i < windowed->ControlCount(); ++i) {
                    ui::Control* child = windowed->Controls(i);
                    if (!IsDestroying(child))
                        child->Perform(SM_SKINCMD, SkinWParam(scMoved, 1), 0);
                }
            RemoveGlowEffect(data->GlowID);
            data->GlowID = -1;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (windowed && windowed->CanFocus() && windowed->TabStop()) {
            data->BGChanged = true;
            data->FFocused = message.Msg == WM_SETFOCUS;
            if (IsEditKind(data->COC) && windowed->HandleAllocated() &&
                (message.Msg == WM_SETFOCUS || windowed->Visible()))
                RedrawWindow(windowed->HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        }
        break;
    case WM_FONTCHANGE:
    case ui::CM_ENABLEDCHANGED:
        data->FMouseAbove = false;
        data->FFocused = false;
        if (owner && !owner->Enabled() && data->GlowID != -1) {
            RemoveGlowEffect(data->GlowID);
            data->GlowID = -1;
        }
        break;
    case WM_UPDATEUISTATE:
        if (data->Skinned())
            return true;
        break;
    case WM_PARENTNOTIFY:
        if (windowed && LOWORD(message.WParam) == WM_CREATE)
            NotifyFormOfControl(owner);
        break;
    case ui::CM_VISIBLECHANGED:
        if (data->CacheBmp()) {
            if (message.WParam == 0) {
                data->EmptyCacheBmp();
            } else {
                data->SetUpdating(false);
                data->BGChanged = true;
            }
        }
        break;
    case ui::CM_MOUSEENTER:
        if (IsDesigning(owner))
            break;
        if (!IsNoHotKind(data->COC))
            data->FMouseAbove = true;
        if (windowed && DefaultManager() && !IsNoGlowKind(data->COC) && (data->COC < 92 || data->COC > 94))
            data->UpdateGlow(false, nullptr);
        if (windowed && DefaultManager() && IsEditKind(data->COC) && windowed->HandleAllocated()) {
            data->BGChanged = true;
            RedrawWindow(windowed->HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        }
        break;
    case ui::CM_MOUSELEAVE:
        if (IsDesigning(owner))
            break;
        if (!IsNoHotKind(data->COC))
            data->FMouseAbove = false;
        if (!IsNoGlowKind(data->COC) && (data->COC < 92 || data->COC > 94)) {
            // Every glow goes; the control's identifier goes with its own, so that it never names a
            // slot that another glow takes later.
            ClearGlowEffects();
            data->GlowID = -1;
        }
        if (windowed && owner->Visible() && IsEditKind(data->COC) && DefaultManager() && windowed->HandleAllocated()) {
            data->BGChanged = true;
            RedrawWindow(windowed->HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace skin
