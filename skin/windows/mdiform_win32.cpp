// The MDI side of a skinned frame's provider.
#include "skin/windows/mdiform.h"

#include "skin/engine/command.h"
#include "skin/windows/mdiwnd.h"
#include "skin/windows/skinprovider.h"
#include "ui/form.h"

namespace skin {

TsMDIForm::TsMDIForm(TsSkinProvider* owner) : SkinProvider(owner)
{
    if (owner && owner->Form) {
        FForm = owner->Form;
        FForm->HandleNeeded();
    }
}

TsMDIForm::~TsMDIForm() { DestroyScrolls(); }

void TsMDIForm::ConnectToClient()
{
    if ((SkinProvider && IsDesigning(SkinProvider)) || ListSW)
        return;
    RefreshMDIScrolls();
}

void TsMDIForm::RefreshMDIScrolls()
{
    if (m_connecting)
        return;
    DestroyScrolls();
    if (!SkinProvider || !FForm || !SkinProvider->SkinData()->Skinned(false) || !FForm->ClientHandle())
        return;
    m_connecting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_connecting};
    // Its own skin data: the provider's is the form's, whose cache is the whole form image.
    auto wrapper = TacMainWnd::Create<TacMDIWnd>(FForm->ClientHandle(), nullptr,
                                                 SkinProvider->SkinData()->GetSkinManager(), u"CHECKBOX", true);
    wrapper->FForm = FForm;
    wrapper->MDISkinData = SkinProvider->SkinData();
    wrapper->SkinProvider = SkinProvider;
    ListSW = std::move(wrapper);
}

void TsMDIForm::DestroyScrolls() { ListSW.reset(); }

void TsMDIForm::UpdateMDIIconItem()
{
    if (SkinProvider)
        SkinProvider->RepaintMenu();
}

void TsMDIForm::SendToActiveChild(WPARAM command)
{
    ui::Form* child = FForm ? FForm->ActiveMDIChild() : nullptr;
    if (child && child->HandleAllocated())
        SendMessageW(child->HandleIfAllocated(), WM_SYSCOMMAND, command, 0);
}

void RefreshMDIParentFrame(bool redraw)
{
    TsSkinProvider* main = ProviderState().MainMDIProvider;
    if (!main || !main->Form || !main->Form->HandleAllocated())
        return;
    TsCommonData* data = main->SkinData();
    data->BeginUpdate();
    if (main->MDIForm)
        main->MDIForm->UpdateMDIIconItem();
    data->BGChanged = true;
    main->MenuChanged = true;
    main->FLinesCount = -1;
    data->EndUpdate();
    if (HWND client = main->Form->ClientHandle())
        RedrawWindow(client, nullptr, nullptr,
                     RDW_FRAME | RDW_INTERNALPAINT | RDW_ERASE | RDW_INVALIDATE | (redraw ? RDW_UPDATENOW : 0));
    RedrawWindow(main->Form->HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    if (redraw && main->BorderForm())
        main->UpdateExBordersPos(true, 255);
}

} // namespace skin
