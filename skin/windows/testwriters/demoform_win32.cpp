#include "skin/windows/testwriters/demoform_win32.h"

#include "ui/button.h"
#include "ui/edit.h"
#include "ui/statusbar.h"

namespace skin::testing {

std::unique_ptr<ui::Form> MakeDemoForm(int width, int height)
{
    auto form = std::make_unique<ui::Form>(nullptr);
    form->SetBounds(60, 60, width, height);
    form->SetCaption(u"Skinned form");
    for (int i = 0; i < 3; ++i) {
        auto* edit = new ui::Edit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(20, 20 + i * 36, 200, 24);
        edit->SetText(u"Edit");
        auto* button = new ui::Button(form.get());
        button->SetParent(form.get());
        button->SetBounds(240, 20 + i * 36, 100, 26);
        button->SetCaption(u"Button");
    }
    auto* status = new ui::StatusBar(form.get());
    status->SetParent(form.get());
    status->SetSimplePanel(true);
    status->SetSimpleText(u"Ready");
    status->SetAlign(ui::alBottom);
    return form;
}

TsSkinProvider* SkinDemoForm(ui::Form& form)
{
    form.HandleNeeded();
    auto* provider = new TsSkinProvider(&form);
    provider->TitleButtons().Add().Hint = u"User button";
    provider->SetGripMode(gmRightBottom);
    provider->AfterConstruction();
    provider->Loaded();
    return provider;
}

} // namespace skin::testing
