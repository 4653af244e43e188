// Cross-fades of a skinned control's state changes (hover, press, release, leave): a copy of the
// control's cache taken before the change (the old picture) is blended with the cache after it in
// steps of 10 ms, as many as the section's FadingIterations. TsFadeTimer draws each frame onto a
// windowed control (or lets the control draw it, sub-code 24); TsAnimTimer keeps the frame in a
// bitmap and asks its graphic control to repaint (sub-codes 8 and 18). A fade ends when its level
// passes its iterations: the control gets sub-code 16 and stops the timer. GUI thread only; the
// timers' work is in their OnTimer handler and nothing leaves a tick.
#pragma once

#include "skin/engine/consts.h"
#include "ui/timer.h"

#include <memory>

namespace ui {
class Bitmap;
}

namespace skin {

class SkinManager;
class TsCommonData;

class TsFadeTimer : public ui::Timer {
public:
    explicit TsFadeTimer(core::Component* owner);
    ~TsFadeTimer() override;
    core::String ClassName() const override { return u"TsFadeTimer"; }

    // ---- Properties ----
    TFadeDirection Direction() const { return FDirection; }
    // The timer runs exactly while the direction is not fdNone.
    void SetDirection(TFadeDirection value);
    TsCommonData* OwnerData() const { return FOwnerData; }
    // Takes the control's cache as the old picture and the step count from its section.
    void SetOwnerData(TsCommonData* value);

    // ---- Operations ----
    // One frame: the old picture blended with the cache by the level, shown on the control.
    void Change();
    // True when the fade has ended (the control was told to stop it, sub-code 16).
    bool ToEnd();
    // The work of one tick.
    void TimerTick();

    // ---- Fields ----
    int Iterations = 0;
    int FadeLevel = 0; // the next step, from 1
    std::unique_ptr<ui::Bitmap> BmpFrom;

private:
    TFadeDirection FDirection = fdNone;
    TsCommonData* FOwnerData = nullptr;
    std::unique_ptr<ui::Bitmap> m_frame; // the frame of the step, kept between steps
};

class TsAnimTimer : public ui::Timer {
public:
    explicit TsAnimTimer(core::Component* owner);
    ~TsAnimTimer() override;
    core::String ClassName() const override { return u"TsAnimTimer"; }

    TsCommonData* OwnerData() const { return FOwnerData; }
    // Keeps the state, 10 ms steps, the section's step count. The control then fills BmpFrom, may
    // halve Iterations, sets FadeLevel, repaints its cache in the new state, enables the timer and
    // calls DoFade once.
    void SetOwnerData(TsCommonData* value);
    // One frame into TmpBmp and a repaint; the level moves on also when the step fails.
    void DoFade();
    // Sub-code 8 (updating off), then 18 (repaint now).
    void Repaint();
    bool ToEnd();
    void TimerTick();

    bool FadeInProcess = false; // a step is being painted
    std::unique_ptr<ui::Bitmap> BmpFrom;
    std::unique_ptr<ui::Bitmap> TmpBmp; // the frame the control paints while the fade runs
    int Iterations = 0;
    int FadeLevel = 0;

private:
    TsCommonData* FOwnerData = nullptr;
};

// The alpha of the old picture at a level: clamp(255 - level x 256 div iterations) to 0..255.
int FadeAlpha(int level, int iterations);

// Whether the mouse event may start a fade: when the event is among events; else, with aeGlobalDef
// among them, when the manager's (null: the default manager's) button events hold it. False
// without a manager where it would decide.
bool AnimEventAllowed(TacAnimatEvent event, TacAnimatEvents events, SkinManager* manager);
// A state change of a skinned control: a fade when allowed and possible, else an immediate repaint;
// then the glow follows (a press hides it).
void RepaintWithFade(TsFadeTimer*& fadeTimer, TsCommonData* data, bool pressed, bool allowFade,
                     TFadeDirection direction);
void StartFadeTimer(TsFadeTimer*& fadeTimer, TsCommonData* data, bool halfTime, TFadeDirection direction);
// Stops and frees the timer (owned by the control) and clears the variable.
void StopFadeTimer(TsFadeTimer*& fadeTimer, TsCommonData* data);

} // namespace skin
