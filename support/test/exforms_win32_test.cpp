// Tests of the extended form bases and of the thread dialog path of the worker thread component:
// mouse-over events, hint colours, a form that a click does not activate, showing without
// activation, and a dialog form that shows while a worker runs and goes when it ends.
#include "support/exforms.h"
#include "support/threadcomponent.h"

#include "core/tick.h"
#include "ui/test/uitest.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace support;

namespace {

class ExFormsTest : public ui::test::UiTest {
protected:
    ExFormsTest() { core::SetMainThread(); }
};

class TestDialogOptions : public TCustomThreadDialogOptions {
public:
    using TCustomThreadDialogOptions::TCustomThreadDialogOptions;
};

// The smallest concrete dialog: its options and a plain dialog form.
class TestDialog : public TCustomThreadDialog {
public:
    using TCustomThreadDialog::TCustomThreadDialog;
    int formsMade = 0;
    TThreadDialogFormLink* CreateThreadDialogForm(TThreadComponent* connectedThread) override
    {
        ++formsMade;
        auto* form = new TCustomThreadDialogForm(connectedThread);
        form->SetInternalTimerInterval(50);
        return form;
    }

protected:
    std::unique_ptr<TCustomThreadDialogOptions> CreateDialogOptions() override
    {
        return std::make_unique<TestDialogOptions>(this);
    }
};

} // namespace

TEST_F(ExFormsTest, MouseOverEventsAndHintColours)
{
    auto* form = new TExForm();
    form->AfterConstruction();
    int entered = 0, left = 0, parentColour = 0;
    form->OnMouseEnter = [&](core::Object*) { ++entered; };
    form->OnMouseLeave = [&](core::Object*) { ++left; };
    form->OnParentColorChanged = [&](core::Object*) { ++parentColour; };
    form->Perform(ui::CM_MOUSEENTER);
    EXPECT_TRUE(form->MouseOver());
    form->Perform(ui::CM_MOUSELEAVE);
    EXPECT_FALSE(form->MouseOver());
    form->Perform(ui::CM_PARENTCOLORCHANGED);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(parentColour, 1);

    EXPECT_EQ(form->HintColor(), ui::clDefault);
    EXPECT_EQ(form->EffectiveHintColor(), ui::clInfoBk);
    form->SetHintColor(ui::clNone);
    EXPECT_EQ(form->EffectiveHintColor(), ui::clInfoBk);
    form->SetHintColor(0x00123456);
    EXPECT_EQ(form->EffectiveHintColor(), 0x00123456u);
    delete form;
}

TEST_F(ExFormsTest, UnfocusableFormRefusesActivationByClickAndShowNoActivateKeepsTheActiveWindow)
{
    auto* active = new TExtForm();
    active->AfterConstruction();
    active->Show();
    SetActiveWindow(active->Handle());
    Pump();
    auto* quiet = new TExtForm();
    quiet->AfterConstruction();
    quiet->SetIsFocusable(false);
    EXPECT_EQ(SendMessageW(quiet->Handle(), WM_MOUSEACTIVATE, WPARAM(active->Handle()), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    quiet->ShowNoActivate(false);
    Pump();
    EXPECT_TRUE(quiet->Visible());
    EXPECT_TRUE(IsWindowVisible(quiet->Handle()));
    EXPECT_NE(GetActiveWindow(), quiet->Handle());
    delete quiet;
    delete active;
}

TEST_F(ExFormsTest, DialogFormNeedsAThreadComponentOwner)
{
    ui::Form other;
    try {
        TCustomThreadDialogForm form(&other);
        ADD_FAILURE() << "made with a form as owner";
    } catch (const core::Exception& e) {
        EXPECT_EQ(e.Message(), u"TCustomThreadDialogForm.SetConnectedThread: A thread must be a TThreadComponent-Component");
    }
}

TEST_F(ExFormsTest, DialogFormShowsWhileTheWorkerRunsAndGoesWhenItEnds)
{
    TThreadComponent component;
    TestDialog dialog;
    dialog.DialogOptions().SetShowDialog(true);
    dialog.DialogOptions().SetShowModal(false);
    component.SetThreadDialog(&dialog);
    TThreadDialogFormLink* created = nullptr;
    component.AfterCreateDialogForm = [&](TThreadDialogFormLink* form) { created = form; };
    std::atomic<bool> release{false};
    component.OnExecute = [&](TComponentBaseThread* self, void*) {
        while (!release.load() && !self->Terminated())
            core::Sleep(1);
    };
    ASSERT_NE(component.Execute(), nullptr);
    ASSERT_NE(component.ThreadDialogForm(), nullptr);
    EXPECT_EQ(created, component.ThreadDialogForm());
    EXPECT_EQ(dialog.formsMade, 1);
    auto* form = dynamic_cast<TCustomThreadDialogForm*>(component.ThreadDialogForm());
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->Visible()) << "show delay 0: shown at the first resume";
    EXPECT_TRUE(form->FormIsShown());
    EXPECT_FALSE(form->CloseQuery()) << "no closing while the worker runs";

    release.store(true);
    component.WaitFor();
    EXPECT_FALSE(component.ThreadDialogForm() && component.ThreadDialogForm()->DialogFormVisible());
}

TEST_F(ExFormsTest, CancelButtonCancelsTheConnectedThread)
{
    TThreadComponent component;
    TestDialog dialog;
    component.SetThreadDialog(&dialog);
    int cancelled = 0;
    component.OnCancelExecute = [&](TThreadComponent*) { ++cancelled; };
    auto* form = new TCustomThreadDialogForm(&component);
    form->SetModalResult(ui::mrCancel);
    form->DefaultCancelBtnClick(nullptr);
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(form->GetModalResult(), ui::mrNone);
    int pressed = 0;
    dialog.OnPressCancel = [&](TThreadComponent* thread) {
        EXPECT_EQ(thread, &component);
        ++pressed;
    };
    form->DefaultCancelBtnClick(nullptr);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(cancelled, 1);
}
