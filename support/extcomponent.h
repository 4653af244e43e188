// The plain component base of the library's non-visual components, and the portable half of the
// optional progress dialog of the worker thread component: its options and the abstract dialog that
// makes the dialog form. The form itself (a window) is built on the extended form bases in
// exforms.h; the thread component reaches it only through TThreadDialogFormLink.
#pragma once
#include "core/component.h"
#include "core/persistent.h"
#include "core/string.h"

#include <functional>
#include <memory>

namespace support {

class TThreadComponent;
class TCustomThreadDialog;

// The plain component base; it adds a descriptive text that nothing reads.
class TExtComponent : public core::Component {
public:
    explicit TExtComponent(core::Component* owner = nullptr) : core::Component(owner) {}
    const core::String& Description() const { return m_description; }
    void SetDescription(core::StringView text) { m_description = core::String(text); }

private:
    core::String m_description;
};

// Form style of the dialog form (the form's own values).
enum TThreadDialogFormStyle { tdfsNormal, tdfsStayOnTop };

class TCustomThreadDialogOptions : public core::Persistent {
public:
    explicit TCustomThreadDialogOptions(TCustomThreadDialog* owner) : FOwner(owner) {}
    TThreadDialogFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TThreadDialogFormStyle style) { FFormStyle = style; }
    int ShowDelay() const { return FShowDelay; }
    // Values below 0 are stored as 0.
    void SetShowDelay(int ms) { FShowDelay = ms < 0 ? 0 : ms; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool value) { FShowDialog = value; }
    bool ShowModal() const { return FShowModal; }
    void SetShowModal(bool value) { FShowModal = value; }
    TCustomThreadDialog* Owner() const { return FOwner; }

private:
    TThreadDialogFormStyle FFormStyle = tdfsNormal;
    TCustomThreadDialog* FOwner;
    int FShowDelay = 0;
    bool FShowDialog = false;
    bool FShowModal = true;
};

// What the thread component needs of a dialog form.
class TThreadDialogFormLink {
public:
    virtual ~TThreadDialogFormLink() = default;
    virtual core::Component* FormComponent() = 0;
    virtual void SetConnectedDataObject(core::Object* object) = 0;
    virtual void LoadShowDelay() = 0;
    virtual void ShowDialogForm(bool modal) = 0;
    virtual void HideDialogForm() = 0;
    virtual bool DialogFormVisible() = 0;
    virtual void CloseDialogForm() = 0;
};

// The dialog: abstract, a concrete dialog makes its options and its form.
class TCustomThreadDialog : public TExtComponent {
public:
    explicit TCustomThreadDialog(core::Component* owner = nullptr) : TExtComponent(owner) {}
    // The options are made on first use by the factory of the concrete class.
    TCustomThreadDialogOptions& DialogOptions();
    virtual TThreadDialogFormLink* CreateThreadDialogForm(TThreadComponent* connectedThread) = 0;

    std::function<void(TThreadComponent* currentThread)> OnPressCancel;

protected:
    virtual std::unique_ptr<TCustomThreadDialogOptions> CreateDialogOptions() = 0;

private:
    std::unique_ptr<TCustomThreadDialogOptions> FDialogOptions;
};

} // namespace support
