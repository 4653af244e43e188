// The connect dialog's window, built of the GUI library's form and controls.
#include "data/access/connectform.h"

#include "core/exception.h"
#include "data/access/connectdialog.h"
#include "ui/button.h"
#include "ui/combobox.h"
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/messagebox.h"

#include "core/win32.h"

namespace data {

namespace {

class TConnectForm {
public:
    explicit TConnectForm(TCustomConnectDialog& Dialog) : FDialog(Dialog), FAttemptsLeft(Dialog.Retries())
    {
        TCustomDAConnection& connection = *Dialog.Connection();
        FForm->SetBorderStyle(ui::bsDialog);
        FForm->SetPosition(ui::poScreenCenter);
        FForm->SetClientSize(300, 150);
        FForm->SetCaption(Dialog.Caption());

        AddLabel(Dialog.UsernameLabel(), 16);
        AddLabel(Dialog.PasswordLabel(), 46);
        AddLabel(Dialog.ServerLabel(), 76);
        FUsername = Place(new ui::Edit(FForm.get()), 16);
        FUsername->SetText(connection.GetUsername());
        FPassword = Place(new ui::Edit(FForm.get()), 46);
        FPassword->SetPasswordChar(u'*');
        FPassword->SetText(connection.Password());
        FServer = Place(new ui::ComboBox(FForm.get()), 76);
        Dialog.GetServerList(FServer->Items());
        FServer->SetText(connection.GetServer());

        FConnect = AddButton(Dialog.ConnectButton(), 116, 112);
        FConnect->SetDefault(true);
        FConnect->OnClick = [this](core::Object*) { ConnectClick(); };
        ui::Button* cancel = AddButton(Dialog.CancelButton(), 204, 112);
        cancel->SetCancel(true);
        cancel->SetModalResult(ui::mrCancel);
        // The password is what a retry usually needs; a known user name goes straight to it.
        FForm->SetActiveControl(connection.GetUsername().empty() ? static_cast<ui::WinControl*>(FUsername)
                                                                 : FPassword);
    }

    bool Show() { return FForm->ShowModal() == ui::mrOk; }

private:
    void AddLabel(const String& Text, int Top)
    {
        auto* label = new ui::Label(FForm.get());
        label->SetParent(FForm.get());
        label->SetCaption(Text);
        label->SetBounds(12, Top + 3, 96, 17);
    }

    template <class T>
    T* Place(T* Control, int Top)
    {
        Control->SetParent(FForm.get());
        Control->SetBounds(112, Top, 176, 22);
        return Control;
    }

    ui::Button* AddButton(const String& Text, int Left, int Top)
    {
        auto* button = new ui::Button(FForm.get());
        button->SetParent(FForm.get());
        button->SetCaption(Text);
        button->SetBounds(Left, Top, 84, 26);
        return button;
    }

    // Runs inside the button's click handler: nothing may leave it.
    void ConnectClick()
    {
        TCustomDAConnection& connection = *FDialog.Connection();
        try {
            connection.SetUsername(FUsername->Text());
            connection.SetPassword(FPassword->Text());
            connection.SetServer(FServer->Text());
            if (FDialog.NeedConnect())
                connection.PerformConnect();
            FForm->SetModalResult(ui::mrOk);
            return;
        } catch (const std::exception& e) {
            ui::MessageBox(core::ExceptionMessage(e), FDialog.Caption(), MB_OK | MB_ICONERROR);
        } catch (...) {
            ui::MessageBox(u"Cannot connect to database", FDialog.Caption(), MB_OK | MB_ICONERROR);
        }
        if (--FAttemptsLeft <= 0) {
            FForm->SetModalResult(ui::mrCancel);
            return;
        }
        FForm->FocusControl(FPassword);
    }

    TCustomConnectDialog& FDialog;
    int FAttemptsLeft;
    std::unique_ptr<ui::Form> FForm{new ui::Form()};
    ui::Edit* FUsername = nullptr;
    ui::Edit* FPassword = nullptr;
    ui::ComboBox* FServer = nullptr;
    ui::Button* FConnect = nullptr;
};

} // namespace

bool ShowConnectForm(TCustomConnectDialog& Dialog)
{
    TConnectForm form(Dialog);
    return form.Show();
}

void InstallConnectForm() { DefConnectDialogProc = ShowConnectForm; }

} // namespace data
