// The login dialog component of a connection: its six texts in one of eight languages or custom, the
// user name and server of the last successful login and the history of servers kept in the current
// user's registry, and the display of the dialog window through the unit's display procedure (a
// window unit installs it; without one Execute answers false). TCRServerEnumerator is the base of
// the providers' server lists; the provider-neutral one lists nothing.
#pragma once

#include "core/component.h"
#include "core/variant.h"
#include "data/access/daconnection.h"

#include <functional>
#include <memory>

namespace core {
class Strings;
}

namespace data {

enum TLabelSet {
    lsCustom, lsEnglish, lsFrench, lsGerman, lsItalian, lsPolish, lsPortuguese, lsRussian, lsSpanish,
};

// The string-table identifier of text Index (0 caption, 1 user name, 2 password, 3 server, 4 connect,
// 5 cancel) of a label set; lsEnglish for any set without texts of its own.
int LabelSetTextId(TLabelSet LabelSet, int Index);
// The program's string-table text of that identifier, read into 50 characters.
String LoadLabelSetText(int Id);

class TCRServerEnumerator : public core::Object {
public:
    TCRServerEnumerator() = default;
    // Both fail with an assertion naming the property number.
    virtual bool SetProp(int Prop, core::Variant& Value);
    virtual bool GetProp(int Prop, core::Variant& Value);
    // Clears List.
    virtual void GetServerList(core::Strings& List);
};
using TCRServerEnumeratorClass = std::unique_ptr<TCRServerEnumerator> (*)();

// What the dialog needs of the registry: one open key at a time under the current user's hive.
class TConnectDialogRegistry {
public:
    virtual ~TConnectDialogRegistry() = default;
    // False when the key cannot be opened (or, with CanCreate, created).
    virtual bool OpenKey(const String& Key, bool CanCreate) = 0;
    virtual bool OpenKeyReadOnly(const String& Key) = 0;
    virtual bool ValueExists(const String& Name) const = 0;
    virtual String ReadString(const String& Name) const = 0;
    virtual void WriteString(const String& Name, const String& Value) = 0;
};
// Makes the registry the dialog works with: the system's, unless a test puts its own in place.
using TConnectDialogRegistryFactory = std::function<std::unique_ptr<TConnectDialogRegistry>()>;
void SetConnectDialogRegistryFactory(TConnectDialogRegistryFactory Factory);
std::unique_ptr<TConnectDialogRegistry> NewConnectDialogRegistry();

class TCustomConnectDialog;
// The unit's display procedure: shows the dialog for Dialog and answers true when the user connected.
using TConnectDialogProc = std::function<bool(TCustomConnectDialog& Dialog)>;
extern TConnectDialogProc DefConnectDialogProc;
// Titles of host applications that count as design environments (their start is compared, case
// ignored). None by default: the client is never hosted by one.
extern std::vector<String> DesignHostTitles;

class TCustomConnectDialog : public TDAConnectDialogBase {
public:
    explicit TCustomConnectDialog(core::Component* Owner = nullptr);
    ~TCustomConnectDialog() override;

    // ---- virtual operations, in slot order ----
    virtual TCRServerEnumeratorClass ServerEnumeratorClass() const;
    // A different current enumerator is freed; Value becomes the enumerator.
    virtual void SetServerEnumerator(std::unique_ptr<TCRServerEnumerator> Value);
    // The writer of LabelSet: stores Value and, unless it is lsCustom, loads the six texts.
    virtual void ApplyLabelSet(TLabelSet Value);
    virtual void* DialogHook() { return nullptr; }
    virtual String GetApplicationKey() const { return {}; }
    virtual String GetServerValueName() const { return u"Server"; }
    virtual String GetServerHistoryKey() const { return GetApplicationKey() + u"Connect"; }
    virtual void SaveServerList();
    virtual void LoadServerList(core::Strings& List);
    // The user name and server; never the password.
    virtual void SaveInfoToRegistry(TConnectDialogRegistry& Registry);
    virtual void LoadInfoFromRegistry(TConnectDialogRegistry& Registry);
    // Shows the dialog through the display procedure; false when none is installed or the user gave
    // up, with the connection's login values put back. "Connection is not defined" without one.
    bool Execute() override;
    // The servers for the dialog's choice: the enumerator's, or the history.
    virtual void GetServerList(core::Strings& List);

    // ---- properties ----
    TCustomDAConnection* Connection() const override { return FConnection; }
    // The connection's dialog writes it without notification.
    void SetConnection(TCustomDAConnection* Value) override { FConnection = Value; }
    uint16_t Retries() const { return FRetries; }
    void SetRetries(uint16_t Value) { FRetries = Value; }
    const String& DialogClass() const { return FDialogClass; }
    void SetDialogClass(StringView Value) { FDialogClass = String(Value); }
    bool SavePassword() const { return FSavePassword; }
    void SetSavePassword(bool Value) { FSavePassword = Value; }
    bool StoreLogInfo() const { return FStoreLogInfo; }
    void SetStoreLogInfo(bool Value) { FStoreLogInfo = Value; }
    bool UseServerHistory() const { return FUseServerHistory; }
    void SetUseServerHistory(bool Value) { FUseServerHistory = Value; }
    bool NeedConnect() const { return FNeedConnect; }
    void SetNeedConnect(bool Value) { FNeedConnect = Value; }
    TLabelSet LabelSet() const { return FLabelSet; }
    void SetLabelSet(TLabelSet Value) { ApplyLabelSet(Value); }
    // Writing a text switches LabelSet to lsCustom (not while the component is loaded from a stream).
    const String& Caption() const { return FCaption; }
    void SetCaption(StringView Value) { SetText(FCaption, Value); }
    const String& UsernameLabel() const { return FUsernameLabel; }
    void SetUsernameLabel(StringView Value) { SetText(FUsernameLabel, Value); }
    const String& PasswordLabel() const { return FPasswordLabel; }
    void SetPasswordLabel(StringView Value) { SetText(FPasswordLabel, Value); }
    const String& ServerLabel() const { return FServerLabel; }
    void SetServerLabel(StringView Value) { SetText(FServerLabel, Value); }
    const String& ConnectButton() const { return FConnectButton; }
    void SetConnectButton(StringView Value) { SetText(FConnectButton, Value); }
    const String& CancelButton() const { return FCancelButton; }
    void SetCancelButton(StringView Value) { SetText(FCancelButton, Value); }
    TCRServerEnumerator* ServerEnumerator() const { return FServerEnumerator.get(); }

    // The login key: GetApplicationKey + "Connect\" + the host application's title.
    String LoginKey() const;

protected:
    // Opens Key for reading; when that fails, with "Tamsel" replaced by "Vornick" (case ignored).
    bool OpenKeyForReading(TConnectDialogRegistry& Registry, const String& Key) const;

private:
    void SetText(String& Field, StringView Value);

    TCustomDAConnection* FConnection = nullptr;
    uint16_t FRetries = 3;
    String FDialogClass;
    bool FSavePassword = false;
    bool FStoreLogInfo = true;
    bool FUseServerHistory = true;
    bool FNeedConnect = true;
    TLabelSet FLabelSet = lsEnglish;
    String FCaption, FUsernameLabel, FPasswordLabel, FServerLabel, FConnectButton, FCancelButton;
    std::unique_ptr<TCRServerEnumerator> FServerEnumerator;
};

// The connection's class of login dialog: the provider-neutral component.
std::unique_ptr<TDAConnectDialogBase> NewCustomConnectDialog();

// The accessors that other units use.
namespace dialogutils {
inline void SaveServerListToRegistry(TCustomConnectDialog& Obj) { Obj.SaveServerList(); }
inline void SetConnection(TCustomConnectDialog& Obj, TCustomDAConnection* Value) { Obj.SetConnection(Value); }
inline void SetUseServerHistory(TCustomConnectDialog& Obj, bool Value) { Obj.SetUseServerHistory(Value); }
inline bool GetNeedConnect(const TCustomConnectDialog& Obj) { return Obj.NeedConnect(); }
inline void SetNeedConnect(TCustomConnectDialog& Obj, bool Value) { Obj.SetNeedConnect(Value); }
}

} // namespace data
