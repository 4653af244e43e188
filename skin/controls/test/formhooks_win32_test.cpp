// What the form skinning learns of the skinned controls through the hooks installed at start-up.
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/controls/scrollbox.h"
#include "skin/controls/skinned.h"
#include "skin/controls/speedbutton.h"
#include "skin/engine/controlhooks.h"
#include "skin/windows/skinprovider.h"
#include "ui/label.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

class FormHooks : public ui::test::UiTest {
protected:
    FormHooks()
    {
        InitSkinControls();
        form->SetClientSize(400, 300);
        form->Show();
    }
    ~FormHooks() override { DoneSkinControls(); }
    template <class T> T* Add(ui::WinControl* parent = nullptr)
    {
        auto* control = new T(form.get());
        control->SetParent(parent ? parent : form.get());
        return control;
    }
    std::unique_ptr<ui::Form> form{new ui::Form()};
};

TEST_F(FormHooks, ControlTestsAnswerForSkinnedControlsOnly)
{
    auto* skinnedLabel = Add<TsLabel>();
    auto* plainLabel = Add<ui::Label>();
    auto* button = Add<TsSpeedButton>();
    auto* box = Add<TsScrollBox>();
    EXPECT_TRUE(IsSkinnedLabel(skinnedLabel));
    EXPECT_FALSE(IsSkinnedLabel(plainLabel));
    EXPECT_FALSE(SpeedButtonMouseAbove(button));
    button->SkinData()->FMouseAbove = true;
    EXPECT_TRUE(SpeedButtonMouseAbove(button));
    EXPECT_FALSE(SpeedButtonMouseAbove(plainLabel));
    EXPECT_TRUE(IsSkinnedScrollBox(box));
    EXPECT_FALSE(IsSkinnedScrollBox(plainLabel));
    DoneSkinControls();
    EXPECT_FALSE(IsSkinnedLabel(skinnedLabel)) << "no hook after shut-down";
    InitSkinControls();
}

TEST_F(FormHooks, ProviderForwardsTheWheelToAnAutoWheelScrollBox)
{
    auto* provider = new TsSkinProvider(form.get());
    auto* box = Add<TsScrollBox>();
    box->SetBounds(10, 10, 200, 150);
    auto* tall = Add<TsPanel>(box);
    tall->SetBounds(0, 0, 150, 900);
    box->SetAutoMouseWheel(true);
    Pump();
    POINT inside = form->ClientToScreen(POINT{50, 50});
    const int before = box->VertScrollBar().Position();
    LRESULT answer = form->Perform(ui::CM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(-120))), MAKELPARAM(inside.x, inside.y));
    EXPECT_EQ(answer, 1);
    EXPECT_GT(box->VertScrollBar().Position(), before);
    // Off: the box's own handling is not asked by the provider.
    box->SetAutoMouseWheel(false);
    EXPECT_EQ(form->Perform(ui::CM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(-120))), MAKELPARAM(inside.x, inside.y)), 0);
    delete provider;
}

} // namespace
} // namespace skin
