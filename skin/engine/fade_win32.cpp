// Fading: the decision, the start and stop of a fade, and the two fade timers.
#include "skin/engine/fade.h"

#include "core/exception.h"
#include "skin/engine/command.h"
#include "skin/engine/commondata.h"
#include "skin/engine/effects.h"
#include "skin/engine/graphutils.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {
namespace {

constexpr unsigned kFadeStepMs = 10;

// The manager's button events; none without its effects settings.
TacBtnEvents ButtonAnimEvents(SkinManager* manager)
{
    const TacAnimEffects* effects = manager->AnimEffects();
    return effects && effects->Buttons ? effects->Buttons->Events : 0;
}

const SectionData* SectionOf(TsCommonData* data) { return data ? data->Section() : nullptr; }

ui::Control* ControlOf(TsCommonData* data) { return data ? data->OwnerControl() : nullptr; }

bool Terminating() { return ui::Application::Instance().Terminated(); }

// The window of a windowed control that has one, else null.
HWND WindowOf(ui::Control* control)
{
    auto* windowed = dynamic_cast<ui::WinControl*>(control);
    return windowed && windowed->HandleAllocated() ? windowed->HandleIfAllocated() : nullptr;
}

std::unique_ptr<ui::Bitmap> CopyOf(ui::Bitmap* bmp)
{
    auto copy = std::make_unique<ui::Bitmap>();
    if (bmp)
        copy->Assign(*bmp);
    return copy;
}

// The old picture blended with the cache: the old one weighs alpha of 255.
std::unique_ptr<ui::Bitmap> Frame(ui::Bitmap* from, ui::Bitmap* cache, int alpha)
{
    auto frame = CopyOf(from);
    frame->SetPixelFormat(ui::pf24bit);
    GdiFlush();
    BlendSameSizeBmps(frame.get(), cache, uint8_t(alpha));
    return frame;
}

} // namespace

int FadeAlpha(int level, int iterations)
{
    if (iterations == 0)
        return 0;
    return std::clamp(255 - level * 256 / iterations, 0, 255);
}

// ---- Decisions ----

bool AnimEventAllowed(TacAnimatEvent event, TacAnimatEvents events, SkinManager* manager)
{
    if (!manager)
        manager = DefaultManager();
    if (events & event)
        return true;
    if (!(events & aeGlobalDef) || !manager)
        return false;
    TacBtnEvent be = beMouseUp;
    switch (event) {
    case aeMouseEnter: be = beMouseEnter; break;
    case aeMouseLeave: be = beMouseLeave; break;
    case aeMouseDown: be = beMouseDown; break;
    default: be = beMouseUp; break;
    }
    return (ButtonAnimEvents(manager) & be) != 0;
}

void RepaintWithFade(TsFadeTimer*& fadeTimer, TsCommonData* data, bool pressed, bool allowFade,
                     TFadeDirection direction)
{
    if (!data || !data->Skinned())
        return;
    const SectionData* s = SectionOf(data);
    const bool canFade = allowFade && !Engine().SkinChangeInProgress && s && s->FadingEnabled && !Engine().FadingSuspended &&
                         data->CacheBmp() && !data->BGChanged;
    data->BGChanged = true;
    if (canFade) {
        StartFadeTimer(fadeTimer, data, pressed, direction);
    } else {
        StopFadeTimer(fadeTimer, data);
        if (ui::Control* control = ControlOf(data))
            control->Repaint();
    }
    data->UpdateGlow(pressed, nullptr);
}

void StartFadeTimer(TsFadeTimer*& fadeTimer, TsCommonData* data, bool halfTime, TFadeDirection direction)
{
    const SectionData* s = SectionOf(data);
    if (!s || !s->FadingEnabled)
        return;
    if (fadeTimer) {
        fadeTimer->FadeLevel = s->FadingIterations;
    } else {
        fadeTimer = new TsFadeTimer(ControlOf(data));
        fadeTimer->SetEnabled(false);
        fadeTimer->FadeLevel = 1;
    }
    fadeTimer->SetOwnerData(data);
    if (halfTime)
        fadeTimer->Iterations /= 2;
    if (fadeTimer->FadeLevel >= fadeTimer->Iterations || fadeTimer->FadeLevel <= 0)
        fadeTimer->FadeLevel = 1;
    SendAcMessageTo(ControlOf(data), scPrepareCache, 0);
    // The control may have stopped the fade while it painted.
    if (fadeTimer)
        fadeTimer->SetDirection(direction);
}

void StopFadeTimer(TsFadeTimer*& fadeTimer, TsCommonData*)
{
    if (!fadeTimer || IsDestroying(fadeTimer))
        return;
    TsFadeTimer* timer = fadeTimer;
    fadeTimer = nullptr;
    timer->SetEnabled(false);
    timer->SetDirection(fdNone);
    delete timer;
}

// ---- TsFadeTimer ----

TsFadeTimer::TsFadeTimer(core::Component* owner) : ui::Timer(owner), BmpFrom(std::make_unique<ui::Bitmap>())
{
    SetDirection(fdNone);
    SetOnTimer([this](core::Object*) { TimerTick(); });
}

TsFadeTimer::~TsFadeTimer() = default;

void TsFadeTimer::SetDirection(TFadeDirection value)
{
    FDirection = value;
    if (FadeLevel < 0)
        FadeLevel = 1;
    SetEnabled(value != fdNone);
}

void TsFadeTimer::SetOwnerData(TsCommonData* value)
{
    FOwnerData = value;
    if (!value)
        return;
    ui::Control* control = ControlOf(value);
    if (value->BGChanged && (!value->CacheBmp() || value->CacheBmp()->Empty()) && control)
        SendAcMessageTo(control, scPrepareCache, 0);
    BmpFrom = CopyOf(value->CacheBmp());
    SetInterval(kFadeStepMs);
    const SectionData* s = SectionOf(value);
    const int iterations = s ? s->FadingIterations : 0;
    Iterations = iterations;
    if (FDirection == fdUp)
        Iterations = FadeLevel;
    else if (FDirection == fdDown)
        Iterations = iterations - FadeLevel;
}

void TsFadeTimer::TimerTick()
{
    if (!FOwnerData || IsDestroying(this) || ToEnd())
        return;
    if (FDirection == fdUp || FDirection == fdDown)
        Change();
}

bool TsFadeTimer::ToEnd()
{
    ui::Control* control = ControlOf(FOwnerData);
    if (!control || IsDestroying(control) || Terminating()) {
        FDirection = fdNone;
        return false;
    }
    if (FadeLevel > Iterations || FadeLevel < 0) {
        // The control stops and frees this timer: nothing of it is touched afterwards.
        try {
            SendAcMessageTo(control, scStopFading, 0);
        } catch (...) {
            return false;
        }
        return true;
    }
    return false;
}

void TsFadeTimer::Change()
{
    ui::Control* control = ControlOf(FOwnerData);
    if (!control || IsDestroying(control) || Iterations == 0)
        return;
    if (!control->Enabled()) {
        SetEnabled(false);
        Iterations = 0;
        FOwnerData->Invalidate();
        return;
    }
    // One frame bitmap serves every step: making a bitmap per step costs more than the blend.
    ui::Bitmap* cache = FOwnerData->CacheBmp();
    if (!BmpFrom || BmpFrom->Empty() || !cache) {
        ++FadeLevel;
        return;
    }
    if (!m_frame || m_frame->Width() != BmpFrom->Width() || m_frame->Height() != BmpFrom->Height())
        m_frame = std::make_unique<ui::Bitmap>(BmpFrom->Width(), BmpFrom->Height(), ui::pf24bit);
    BitBlt(m_frame->Canvas().Handle(), 0, 0, m_frame->Width(), m_frame->Height(), BmpFrom->Canvas().Handle(), 0, 0,
           SRCCOPY);
    GdiFlush();
    BlendSameSizeBmps(m_frame.get(), cache, uint8_t(FadeAlpha(FadeLevel, Iterations)));
    ui::Bitmap* frame = m_frame.get();
    HWND wnd = WindowOf(control);
    HDC dc = wnd ? GetWindowDC(wnd) : nullptr;
    const int saved = dc ? SaveDC(dc) : 0;
    const LRESULT drawn = SendAcMessageTo(control, scDrawFadeFrame, LPARAM(frame));
    const bool alive = !wnd || IsWindow(wnd);
    if (dc && alive) {
        if (drawn == 0)
            BitBlt(dc, 0, 0, frame->Width(), frame->Height(), frame->Canvas().Handle(), 0, 0, SRCCOPY);
        RestoreDC(dc, saved);
        ReleaseDC(wnd, dc);
    }
    ++FadeLevel;
}

// ---- TsAnimTimer ----

TsAnimTimer::TsAnimTimer(core::Component* owner)
    : ui::Timer(owner), BmpFrom(std::make_unique<ui::Bitmap>()), TmpBmp(std::make_unique<ui::Bitmap>())
{
    SetEnabled(false);
    SetOnTimer([this](core::Object*) { TimerTick(); });
}

TsAnimTimer::~TsAnimTimer() = default;

void TsAnimTimer::SetOwnerData(TsCommonData* value)
{
    FOwnerData = value;
    SetInterval(kFadeStepMs);
    const SectionData* s = SectionOf(value);
    Iterations = s ? s->FadingIterations : 0;
}

void TsAnimTimer::TimerTick()
{
    if (IsDestroying(this) || ToEnd())
        return;
    DoFade();
}

bool TsAnimTimer::ToEnd()
{
    ui::Control* control = ControlOf(FOwnerData);
    if (IsDestroying(this) || !control || IsDestroying(control) || Terminating())
        return true;
    if (FadeLevel >= 0 && FadeLevel <= Iterations)
        return false;
    // The control stops and frees this timer: nothing of it is touched afterwards.
    SendAcMessageTo(control, scStopFading, 0);
    return true;
}

void TsAnimTimer::DoFade()
{
    ui::Control* control = ControlOf(FOwnerData);
    if (!FadeInProcess && control && !IsDestroying(control) && Iterations != 0 && FadeLevel >= 0) {
        FadeInProcess = true;
        try {
            TmpBmp = Frame(BmpFrom.get(), FOwnerData->CacheBmp(), FadeAlpha(FadeLevel, Iterations));
            Repaint();
        } catch (...) {
            FadeInProcess = false;
            ++FadeLevel;
            throw;
        }
        FadeInProcess = false;
    }
    ++FadeLevel;
}

void TsAnimTimer::Repaint()
{
    ui::Control* control = ControlOf(FOwnerData);
    SendAcMessageTo(control, scSetUpdating, 0, 0);
    SendAcMessageTo(control, scRepaint, 0);
}

} // namespace skin
