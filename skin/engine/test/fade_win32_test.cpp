// Fades of a real window on "TestSkin" under the manual timer clock: the frames of each step, a
// restart, a control disabled on the way, the switches that make a change repaint at once, the
// animation timer of graphic controls and the decision which mouse events fade.
#include "skin/engine/fade.h"

#include "skin/engine/commondata.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/test/testskinmanager_win32.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

#include <vector>

namespace skin {
namespace {

using ui::test::UiTest;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;

// The grey of a frame that blends an old picture of level `from` with a new one of `to` (both grey).
uint32_t Blended(int from, int to, int alpha)
{
    const uint32_t v = uint32_t((from * alpha + to * (255 - alpha) + 127) >> 8);
    return v | v << 8 | v << 16;
}

// A skinned window whose cache is white, or black while hot; it records the fade frames offered to it
// (sub-code 24) and the skin commands it gets, and stops its fade on sub-code 16.
class FadeProbe : public ui::Panel {
public:
    explicit FadeProbe(core::Component* owner) : ui::Panel(owner), data(this, true) {}
    TsCommonData data;
    TsFadeTimer* timer = nullptr;
    TsAnimTimer* anim = nullptr;
    bool hot = false;
    bool drawsFrames = true;
    std::vector<uint32_t> frames;
    std::vector<int> commands;
    int paints = 0;
    std::function<void()> onRepaint;

protected:
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD) {
            const int code = SubCodeOf(m.WParam);
            commands.push_back(code);
            switch (code) {
            case scPrepareCache:
                data.InitCacheBmp();
                data.CacheBmp()->Canvas().SetBrushColor(hot ? kBlack : kWhite);
                data.CacheBmp()->Canvas().FillRect(RECT{0, 0, Width(), Height()});
                GdiFlush();
                data.BGChanged = false;
                return;
            case scDrawFadeFrame:
                if (drawsFrames) {
                    frames.push_back(reinterpret_cast<ui::Bitmap*>(m.LParam)->PixelColor(2, 2));
                    m.Result = 1;
                }
                return;
            case scStopFading:
                StopFadeTimer(timer, &data);
                delete anim;
                anim = nullptr;
                return;
            case scRepaint:
                if (anim)
                    frames.push_back(anim->TmpBmp->PixelColor(2, 2));
                if (onRepaint)
                    onRepaint();
                return;
            default:
                break;
            }
        }
        if (m.Msg == WM_PAINT)
            ++paints;
        if (AnswerSkinQuery(m) || HandleCommonMessage(m, &data))
            return;
        ui::Panel::WndProc(m);
    }
};

class FadeTest : public UiTest {
protected:
    FadeTest()
    {
        InitSkinEngine();
        SetDefaultManager(&skin);
        form->SetBounds(60, 60, 200, 120);
        form->Show();
        probe = new FadeProbe(form.get());
        probe->SetParent(form.get());
        probe->SetBounds(10, 10, 40, 20);
        probe->data.SetSkinSection(u"GLOWBUTTON");
        Pump();
        probe->Perform(SM_SKINCMD, SkinWParam(scPrepareCache), 0);
        probe->commands.clear();
    }
    ~FadeTest() override
    {
        Engine().FadingSuspended = false;
        Engine().SkinChangeInProgress = false;
        SetDefaultManager(nullptr);
        DoneSkinEngine();
    }

    // The control turns hot (or back) with a fade.
    void Change(bool hot, bool pressed = false, TFadeDirection direction = fdUp)
    {
        probe->hot = hot;
        RepaintWithFade(probe->timer, &probe->data, pressed, true, direction);
    }
    void Steps(int count) { m_clock.Advance(uint64_t(10 * count)); }

    test::TestSkinManager skin;
    std::unique_ptr<ui::Form> form{new ui::Form()};
    FadeProbe* probe = nullptr;
};

TEST_F(FadeTest, FiveIterationsGiveFramesOfAlpha204DownTo0ThenTheFadeEnds)
{
    ASSERT_TRUE(probe->data.Skinned());
    ASSERT_EQ(probe->data.Section()->FadingIterations, 5);
    Change(true);
    ASSERT_NE(probe->timer, nullptr);
    EXPECT_TRUE(probe->timer->Enabled());
    EXPECT_EQ(probe->timer->Interval(), 10u);
    EXPECT_TRUE(m_clock.IsScheduled(*probe->timer));
    EXPECT_TRUE(probe->frames.empty());

    Steps(5);
    const std::vector<uint32_t> expected{Blended(255, 0, 204), Blended(255, 0, 153), Blended(255, 0, 102),
                                         Blended(255, 0, 51), Blended(255, 0, 0)};
    EXPECT_EQ(probe->frames, expected);
    EXPECT_EQ(probe->frames.back(), kBlack); // the last frame is the new picture alone
    ASSERT_NE(probe->timer, nullptr);
    Steps(1);
    EXPECT_EQ(probe->timer, nullptr); // the control was told to stop (sub-code 16)
    EXPECT_EQ(m_clock.ScheduledCount(), 0);
    EXPECT_EQ(probe->frames.size(), 5u);
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(FadeTest, AnEmptyCacheIsPaintedBeforeItIsTakenAsTheOldPicture)
{
    probe->data.EmptyCacheBmp();
    Change(true);
    ASSERT_NE(probe->timer, nullptr);
    EXPECT_EQ(probe->commands, (std::vector<int>{scPrepareCache, scPrepareCache}));
    EXPECT_EQ(probe->timer->BmpFrom->Width(), 40);
    EXPECT_EQ(probe->timer->BmpFrom->Height(), 20);
}

TEST_F(FadeTest, AFrameTheControlDoesNotDrawIsCopiedToItsWindow)
{
    probe->drawsFrames = false;
    Change(true);
    Steps(2);
    HDC dc = GetWindowDC(probe->Handle());
    EXPECT_EQ(GetPixel(dc, 2, 2), COLORREF(Blended(255, 0, 153)));
    ReleaseDC(probe->Handle(), dc);
}

TEST_F(FadeTest, APressFadesInHalfTheSteps)
{
    Change(true, true);
    Steps(3);
    EXPECT_EQ(probe->frames, (std::vector<uint32_t>{Blended(255, 0, 127), Blended(255, 0, 0)}));
    EXPECT_EQ(probe->timer, nullptr);
}

TEST_F(FadeTest, AFadeStartedDuringAnotherRestartsFromTheCurrentPicture)
{
    Change(true);
    Steps(2);
    Change(false);
    ASSERT_NE(probe->timer, nullptr);
    EXPECT_EQ(probe->timer->FadeLevel, 1);
    probe->frames.clear();
    Steps(5);
    // From the black picture of the cache at the restart back to white.
    EXPECT_EQ(probe->frames, (std::vector<uint32_t>{Blended(0, 255, 204), Blended(0, 255, 153), Blended(0, 255, 102),
                                                    Blended(0, 255, 51), Blended(0, 255, 0)}));
}

TEST_F(FadeTest, AControlDisabledDuringAFadeStopsFadingAndShowsItsFinalState)
{
    Change(true);
    Steps(2);
    probe->SetEnabled(false);
    probe->data.BGChanged = false;
    Steps(1);
    ASSERT_NE(probe->timer, nullptr);
    EXPECT_FALSE(probe->timer->Enabled());
    EXPECT_FALSE(m_clock.IsScheduled(*probe->timer));
    EXPECT_EQ(probe->timer->Iterations, 0);
    EXPECT_TRUE(probe->data.BGChanged); // invalidated: the next paint shows the new state
    Steps(10);
    EXPECT_EQ(probe->frames.size(), 2u);
}

TEST_F(FadeTest, WhileASkinChangesOrFadingIsSuspendedAChangeRepaintsAtOnce)
{
    for (bool EngineFlags::*flag : {&EngineFlags::SkinChangeInProgress, &EngineFlags::FadingSuspended}) {
        Engine().*flag = true;
        const int paints = probe->paints;
        probe->hot = !probe->hot;
        RepaintWithFade(probe->timer, &probe->data, false, true, fdUp);
        EXPECT_EQ(probe->timer, nullptr);
        EXPECT_GT(probe->paints, paints);
        EXPECT_TRUE(probe->data.BGChanged);
        EXPECT_EQ(m_clock.ScheduledCount(), 0);
        Engine().*flag = false;
        probe->Perform(SM_SKINCMD, SkinWParam(scPrepareCache), 0);
    }
}

TEST_F(FadeTest, WhereNoFadeIsPossibleARunningFadeStopsAndTheControlRepaints)
{
    Change(true);
    ASSERT_NE(probe->timer, nullptr);
    // Not allowed by the caller.
    probe->hot = false;
    const int paints = probe->paints;
    RepaintWithFade(probe->timer, &probe->data, false, false, fdUp);
    EXPECT_EQ(probe->timer, nullptr);
    EXPECT_GT(probe->paints, paints);

    // The background already waits for a rebuild, or the section does not fade.
    probe->data.BGChanged = true;
    Change(true);
    EXPECT_EQ(probe->timer, nullptr);
    probe->Perform(SM_SKINCMD, SkinWParam(scPrepareCache), 0);
    skin.gd[size_t(probe->data.SkinIndex)].FadingEnabled = false;
    Change(false);
    EXPECT_EQ(probe->timer, nullptr);
    skin.gd[size_t(probe->data.SkinIndex)].FadingEnabled = true;

    // Unskinned controls are left alone.
    probe->data.SetSkinSection(u"NOSUCHSECTION");
    ASSERT_FALSE(probe->data.Skinned());
    probe->Perform(SM_SKINCMD, SkinWParam(scPrepareCache), 0);
    Change(true);
    EXPECT_FALSE(probe->data.BGChanged);
}

TEST_F(FadeTest, TheAnimationTimerBlendsIntoItsFrameAndAsksTheControlToRepaint)
{
    auto* anim = new TsAnimTimer(probe);
    probe->anim = anim;
    EXPECT_FALSE(anim->Enabled());
    anim->SetOwnerData(&probe->data);
    EXPECT_EQ(anim->Interval(), 10u);
    EXPECT_EQ(anim->Iterations, 5);
    anim->BmpFrom->Assign(*probe->data.CacheBmp());
    probe->hot = true;
    probe->Perform(SM_SKINCMD, SkinWParam(scPrepareCache), 0);
    anim->FadeLevel = 1;
    anim->SetEnabled(true);
    probe->commands.clear();
    anim->DoFade();
    EXPECT_EQ(probe->commands, (std::vector<int>{scSetUpdating, scRepaint}));
    EXPECT_FALSE(anim->FadeInProcess);

    // A tick that arrives while a frame is painted paints nothing, but the level moves on.
    probe->onRepaint = [&] {
        probe->onRepaint = nullptr;
        anim->DoFade();
    };
    anim->DoFade();
    EXPECT_EQ(anim->FadeLevel, 4);
    probe->onRepaint = nullptr;

    Steps(3);
    EXPECT_EQ(probe->frames, (std::vector<uint32_t>{Blended(255, 0, 204), Blended(255, 0, 153), Blended(255, 0, 51),
                                                    Blended(255, 0, 0)}));
    EXPECT_EQ(probe->anim, nullptr); // sub-code 16 after the last frame
}

TEST_F(FadeTest, MouseEventsFadeWhenListedOrWhenTheManagerSaysSo)
{
    // The manager fades on entering and pressing only.
    skin.effects.Buttons->Events = beMouseEnter | beMouseDown;
    struct Case {
        TacAnimatEvent event;
        TacAnimatEvents events;
        bool expected;
    } cases[] = {
        // Listed events fade whatever the manager says.
        {aeMouseEnter, aeMouseEnter, true},
        {aeMouseUp, aeMouseEnter | aeMouseUp, true},
        // Without aeGlobalDef nothing else does.
        {aeMouseDown, aeMouseEnter, false},
        {aeMouseLeave, 0, false},
        // With it, the manager's button events decide; aeGlobalDef itself counts as a release.
        {aeMouseDown, aeGlobalDef, true},
        {aeMouseEnter, aeGlobalDef, true},
        {aeMouseLeave, aeGlobalDef, false},
        {aeMouseUp, aeGlobalDef, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnimEventAllowed(c.event, c.events, &skin), c.expected) << c.event << " in " << c.events;
    skin.effects.Buttons->Events = beMouseUp;
    EXPECT_TRUE(AnimEventAllowed(aeGlobalDef, aeGlobalDef, nullptr)); // the default manager's
    EXPECT_FALSE(AnimEventAllowed(aeMouseEnter, aeGlobalDef, nullptr));
    // Without any manager the manager cannot decide: no fade.
    SetDefaultManager(nullptr);
    EXPECT_FALSE(AnimEventAllowed(aeMouseDown, aeGlobalDef, nullptr));
    EXPECT_TRUE(AnimEventAllowed(aeMouseDown, aeGlobalDef | aeMouseDown, nullptr));
    SetDefaultManager(&skin);
}

} // namespace
} // namespace skin
