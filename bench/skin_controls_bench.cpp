// Benchmark of the skinned controls: the login window's buttons, check box and labels repainted
// skinned (over the window test skin) against the same controls unskinned, in one run, rounds
// alternating; the whole login layout (panels, group box, edits too) the same way; and one fade
// frame of a skinned push button against its full skinned repaint.
// Figures are medians; the targets are ratios of at most 3 and at most 1/4. Run under Wine:
//   scripts/wine-run build/win/bench/skin_controls_bench.exe [rounds]
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/controls/test/controltestskin.h"
#include "ui/application.h"
#include "ui/form.h"

#include "bench/timing.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

constexpr int kRepeats = 20;

// The login window's buttons, check box and labels at their places.
struct LoginControls {
    explicit LoginControls(bool skinned)
    {
        form = std::make_unique<ui::Form>();
        form->SetBounds(skinned ? 420 : 40, 40, 356, 340);
        auto place = [&](ui::Control* c, int x, int y, int w, int h) {
            c->SetParent(form.get());
            c->SetBounds(x, y, w, h);
            controls.push_back(c);
        };
        for (const char16_t* caption : {u"登  陆", u"关  闭"}) {
            auto* b = new skin::TsButton(form.get());
            b->SetCaption(caption);
            if (skinned)
                b->SkinData()->SetSkinSection(u"CTLBUTTON");
            place(b, caption[0] == u'登' ? 41 : 227, 252, 85, 27);
        }
        auto* box = new skin::TsCheckBox(form.get());
        box->SetAutoSize(false);
        box->SetCaption(u"记住密码");
        place(box, 46, 198, 70, 20);
        for (const char16_t* caption : {u"用户名:", u"密  码:"}) {
            auto* l = new skin::TsLabel(form.get());
            l->SetCaption(caption);
            if (skinned)
                l->SetSkinSection(u"CTLLABEL");
            place(l, 46, caption[0] == u'用' ? 136 : 169, 60, 16);
        }
        form->Show();
        ui::App().ProcessMessages();
    }

    // Every control marked changed and painted now.
    void Repaint()
    {
        for (ui::Control* c : controls) {
            if (auto* b = dynamic_cast<skin::TsButton*>(c))
                b->SkinData()->BGChanged = true;
            else if (auto* x = dynamic_cast<skin::TsCheckBox*>(c))
                x->SkinData()->BGChanged = true;
            c->Repaint();
        }
        GdiFlush();
    }

    std::unique_ptr<ui::Form> form;
    std::vector<ui::Control*> controls;
};

// The whole login layout: banner and bottom panels, the group box with its labels and edits, the
// check box and the buttons, each skinned control with a section of the window test skin.
struct LoginLayout {
    explicit LoginLayout(bool skinned)
    {
        form = std::make_unique<ui::Form>();
        form->SetBounds(skinned ? 420 : 40, 400, 356, 340);
        auto place = [&](auto* c, ui::WinControl* parent, int x, int y, int w, int h, const char16_t* section) {
            c->SetParent(parent);
            c->SetBounds(x, y, w, h);
            if constexpr (requires { c->SkinData(); }) {
                if (skinned && section)
                    c->SkinData()->SetSkinSection(section);
                states.push_back(c->SkinData());
            } else if (skinned && section) {
                c->SetSkinSection(section);
            }
            return c;
        };
        place(new skin::TsPanel(form.get()), form.get(), 2, 0, 352, 102, u"CTLPANEL")->SetCaption(u"欢迎使用游戏加速器");
        auto* group = place(new skin::TsGroupBox(form.get()), form.get(), 15, 111, 326, 117, u"CTLGROUP");
        group->SetCaption(u"登陆");
        place(new skin::TsLabel(form.get()), group, 31, 25, 45, 16, u"CTLLABEL")->SetCaption(u"用户名:");
        place(new skin::TsLabel(form.get()), group, 31, 58, 45, 16, u"CTLLABEL")->SetCaption(u"密  码:");
        place(new skin::TsEdit(form.get()), group, 79, 20, 154, 21, u"CTLEDIT")->SetText(u"demo");
        auto* pass = place(new skin::TsEdit(form.get()), group, 79, 54, 154, 21, u"CTLEDIT");
        pass->SetPasswordChar(u'*');
        pass->SetText(u"secret");
        auto* box = place(new skin::TsCheckBox(form.get()), group, 31, 87, 70, 20, nullptr);
        box->SetAutoSize(false);
        box->SetCaption(u"记住密码");
        place(new skin::TsButton(form.get()), form.get(), 41, 252, 85, 27, u"CTLBUTTON")->SetCaption(u"登  陆");
        place(new skin::TsButton(form.get()), form.get(), 227, 252, 85, 27, u"CTLBUTTON")->SetCaption(u"关  闭");
        place(new skin::TsPanel(form.get()), form.get(), 0, 291, 356, 22, u"CTLPANEL");
        form->Show();
        ui::App().ProcessMessages();
    }

    // The whole window marked changed and painted now, frames included.
    void Repaint()
    {
        for (skin::TsCommonData* state : states)
            state->BGChanged = true;
        RedrawWindow(form->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        GdiFlush();
    }

    std::unique_ptr<ui::Form> form;
    std::vector<skin::TsCommonData*> states;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int rounds = argc > 1 ? std::max(1, int(std::wcstol(argv[1], nullptr, 10))) : 15;
    skin::InitSkinControls();
    {
        LoginControls plain(false);
        LoginLayout plainLayout(false);
        skin::test::ControlTestSkin testSkin;
        skin::SetDefaultManager(&testSkin);
        {
            LoginControls skinned(true);
            LoginLayout skinnedLayout(true);
            auto* button = static_cast<skin::TsButton*>(skinned.controls[0]);
            if (!button->SkinData()->Skinned()) {
                std::printf("the skin did not reach the controls\n");
                return 1;
            }
            std::vector<double> plainTimes, skinnedTimes, plainLayoutTimes, skinnedLayoutTimes, frameTimes, fullTimes;
            button->SetAnimatEvents(skin::aeMouseEnter);
            button->Perform(ui::CM_MOUSEENTER, 0, 0);
            skin::TsFadeTimer* fade = button->FadeTimer();
            for (int r = 0; r < rounds; ++r) {
                plainTimes.push_back(Seconds([&] { for (int i = 0; i < kRepeats; ++i) plain.Repaint(); }) / kRepeats);
                skinnedTimes.push_back(Seconds([&] { for (int i = 0; i < kRepeats; ++i) skinned.Repaint(); }) / kRepeats);
                plainLayoutTimes.push_back(Seconds([&] { for (int i = 0; i < kRepeats; ++i) plainLayout.Repaint(); }) /
                                           kRepeats);
                skinnedLayoutTimes.push_back(
                    Seconds([&] { for (int i = 0; i < kRepeats; ++i) skinnedLayout.Repaint(); }) / kRepeats);
                if (fade) {
                    frameTimes.push_back(Seconds([&] {
                                             for (int i = 0; i < kRepeats; ++i) {
                                                 fade->FadeLevel = 1;
                                                 fade->Change();
                                             }
                                             GdiFlush();
                                         }) / kRepeats);
                }
                fullTimes.push_back(Seconds([&] {
                                        for (int i = 0; i < kRepeats; ++i) {
                                            button->SkinData()->BGChanged = true;
                                            button->PrepareCache();
                                            HDC dc = GetDC(button->Handle());
                                            BitBlt(dc, 0, 0, button->Width(), button->Height(),
                                                   button->SkinData()->CacheBmp()->Canvas().Handle(), 0, 0, SRCCOPY);
                                            ReleaseDC(button->Handle(), dc);
                                        }
                                        GdiFlush();
                                    }) / kRepeats);
            }
            const double p = Median(plainTimes), s = Median(skinnedTimes), full = Median(fullTimes);
            std::printf("login controls repainted: unskinned %.1f us, skinned %.1f us, ratio %.2f (target <= 3)\n",
                        p * 1e6, s * 1e6, s / p);
            const double pl = Median(plainLayoutTimes), sl = Median(skinnedLayoutTimes);
            std::printf("login layout repainted: unskinned %.1f us, skinned %.1f us, ratio %.2f (target <= 3)\n",
                        pl * 1e6, sl * 1e6, sl / pl);
            if (fade) {
                const double f = Median(frameTimes);
                std::printf("push button: fade frame %.1f us, full skinned repaint %.1f us, ratio %.2f (target <= 0.25)\n",
                            f * 1e6, full * 1e6, f / full);
            } else {
                std::printf("push button: no fade started\n");
            }
        }
        skin::SetDefaultManager(nullptr);
    }
    skin::DoneSkinControls();
    return 0;
}
