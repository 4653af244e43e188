// The MDI parts of the form skin provider: the frame's client object, the maximised child's
// buttons and the MDI messages of frames and children.
#include "skin/engine/command.h"
#include "skin/engine/skinmanager.h"
#include "skin/windows/dialogskin.h"
#include "skin/windows/mdiform.h"
#include "skin/windows/mdiwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/sysmenu.h"
#include "ui/application.h"

namespace skin {

namespace {

bool Alive(TsSkinProvider* p) { return p && p->Form && !IsDestroying(p) && !IsDestroying(p->Form); }

bool ActiveChildMaximized(ui::Form* frame) { return frame && ActiveMDIChildMaximized(frame->ClientHandle()); }

} // namespace

void TsSkinProvider::HookMDI(bool active)
{
    if (!active) {
        MDIForm.reset(); // MainMDIProvider stays until this provider goes
        return;
    }
    if (MDIForm)
        return;
    ProviderState().MainMDIProvider = this;
    MDIForm = std::make_unique<TsMDIForm>(this);
    MDIForm->ConnectToClient();
}

bool TsSkinProvider::MDIChildButtonsShown() const
{
    TsSkinProvider* last = ProviderState().LastMDIChildProvider;
    if (!last || !IsMDIFrame() || !Form->Menu())
        return false;
    ui::Form* child = Form->ActiveMDIChild();
    return child && ActiveChildMaximized(Form) && (child->GetBorderIcons() & ui::biSystemMenu);
}

int TsSkinProvider::MDIButtonWidth() const
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager || MDIClose.ImageIndex < 0)
        return 16;
    return manager->MaskSize(MDIClose.ImageIndex).cx;
}

int TsSkinProvider::MDIButtonHeight() const
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager || MDIClose.ImageIndex < 0)
        return 16;
    return manager->MaskSize(MDIClose.ImageIndex).cy;
}

bool TsSkinProvider::MDIMessage(ui::Message& message)
{
    ProviderUnitState& state = ProviderState();
    TsSkinProvider* main = Alive(state.MainMDIProvider) ? state.MainMDIProvider : nullptr;
    if (IsMDIFrame() && MDIForm && !MDIForm->ListSW && Form->ClientHandle())
        MDIForm->ConnectToClient();
    switch (message.Msg) {
    case WM_CREATE:
        if (!IsMDIChildForm())
            return false;
        // A skinned child of a frame nobody skinned yet: the frame and its other children are
        // skinned as if the frame were being activated.
        if (!main)
            if (ui::Form* appForm = ui::Application::Instance().MainForm(); appForm && appForm->HandleAllocated())
                SkinActivatedWnd(appForm->Handle());
        main = Alive(state.MainMDIProvider) ? state.MainMDIProvider : nullptr;
        state.MaxChildCreating = main && ActiveChildMaximized(main->Form);
        CallOld(message);
        return true;
    case WM_MDIACTIVATE:
    case WM_MDIDESTROY:
        CallOld(message);
        if (main && IsMDIChildForm() && !IsZoomed(Form->Handle())) {
            MenusInitialized = false;
            main->MenuChanged = true;
            main->FCommonData->BGChanged = true;
            main->FLinesCount = -1;
            SendMessageW(main->Form->Handle(), WM_NCPAINT, 0, 0);
        }
        state.LastMDIChildProvider = this;
        return true;
    case WM_SHOWWINDOW:
        // Children made before the frame was skinned have no provider of their own yet.
        if (IsMDIFrame() && message.WParam)
            for (int i = 0; i < Form->MDIChildCount(); ++i)
                if (ui::Form* child = Form->MDIChildren(i); child && !AskAcMessage(child->Handle(), scIsSkinAware))
                    SkinActivatedWnd(child->Handle());
        return false;
    case WM_CHILDACTIVATE:
        CallOld(message);
        UpdateMenu();
        if (main && main->MDIForm && ActiveChildMaximized(main->Form))
            main->MDIForm->UpdateMDIIconItem();
        return true;
    case WM_NCDESTROY:
        CallOld(message);
        if (IsMDIChildForm() && main && main->MDIForm && main->Skinned()) {
            main->RepaintMenu();
            if (!main->Form->ActiveMDIChild())
                if (HWND client = main->Form->ClientHandle())
                    RedrawWindow(client, nullptr, nullptr,
                                 RDW_FRAME | RDW_UPDATENOW | RDW_INTERNALPAINT | RDW_ERASE | RDW_INVALIDATE);
        }
        return true;
    default:
        return false;
    }
}

} // namespace skin
