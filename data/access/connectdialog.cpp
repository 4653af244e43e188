// The login dialog component: label sets, the registry's login and server history, and Execute.
#include "data/access/connectdialog.h"

#include "core/exception.h"
#include "core/format.h"
#include "core/stringlist.h"
#include "data/storage/recordstore.h"
#include "support/registry.h"

namespace data {

TConnectDialogProc DefConnectDialogProc;
std::vector<String> DesignHostTitles;

namespace {

TConnectDialogRegistryFactory g_registry_factory;

// The system's registry under the current user's hive.
class TSystemRegistry final : public TConnectDialogRegistry {
public:
    bool OpenKey(const String& Key, bool CanCreate) override { return FRegistry.OpenKey(Key, CanCreate); }
    bool OpenKeyReadOnly(const String& Key) override { return FRegistry.OpenKeyReadOnly(Key); }
    bool ValueExists(const String& Name) const override { return FRegistry.ValueExists(Name); }
    String ReadString(const String& Name) const override { return FRegistry.ReadString(Name); }
    void WriteString(const String& Name, const String& Value) override { FRegistry.WriteString(Name, Value); }

private:
    support::Registry FRegistry{support::HKeyCurrentUser};
};

bool IsDesignHost()
{
    const String title = GetHostAppTitle();
    for (const String& design : DesignHostTitles) {
        if (!design.empty() && core::AnsiSameText(title.substr(0, design.size()), design))
            return true;
    }
    return false;
}

} // namespace

void SetConnectDialogRegistryFactory(TConnectDialogRegistryFactory Factory)
{
    g_registry_factory = std::move(Factory);
}

std::unique_ptr<TConnectDialogRegistry> NewConnectDialogRegistry()
{
    if (g_registry_factory)
        return g_registry_factory();
    return std::make_unique<TSystemRegistry>();
}

int LabelSetTextId(TLabelSet LabelSet, int Index)
{
    int base;
    switch (LabelSet) {
    case lsFrench: base = 200; break;
    case lsGerman: base = 300; break;
    case lsItalian: base = 400; break;
    case lsPolish: base = 500; break;
    case lsPortuguese: base = 600; break;
    case lsRussian: base = 0; break;
    case lsSpanish: base = 700; break;
    default: base = 100; break;
    }
    return base + Index;
}

// ---- TCRServerEnumerator ----

bool TCRServerEnumerator::SetProp(int Prop, core::Variant&)
{
    CORE_ASSERT(false, core::IntToStr(Prop));
    return false;
}

bool TCRServerEnumerator::GetProp(int Prop, core::Variant&)
{
    CORE_ASSERT(false, core::IntToStr(Prop));
    return false;
}

void TCRServerEnumerator::GetServerList(core::Strings& List) { List.Clear(); }

// ---- TCustomConnectDialog ----

TCustomConnectDialog::TCustomConnectDialog(core::Component* Owner) : TDAConnectDialogBase(Owner)
{
    ApplyLabelSet(lsEnglish);
}

TCustomConnectDialog::~TCustomConnectDialog() = default;

TCRServerEnumeratorClass TCustomConnectDialog::ServerEnumeratorClass() const
{
    CORE_ASSERT(false, u"Must be overrided");
    return nullptr;
}

void TCustomConnectDialog::SetServerEnumerator(std::unique_ptr<TCRServerEnumerator> Value)
{
    if (Value.get() != FServerEnumerator.get())
        FServerEnumerator = std::move(Value);
}

void TCustomConnectDialog::ApplyLabelSet(TLabelSet Value)
{
    FLabelSet = Value;
    if (Value == lsCustom)
        return;
    String* texts[] = {&FCaption, &FUsernameLabel, &FPasswordLabel, &FServerLabel, &FConnectButton, &FCancelButton};
    for (int i = 0; i < 6; ++i)
        *texts[i] = LoadLabelSetText(LabelSetTextId(Value, i));
}

void TCustomConnectDialog::SetText(String& Field, StringView Value)
{
    Field = String(Value);
    if (!HasState(core::csLoading))
        FLabelSet = lsCustom;
}

String TCustomConnectDialog::LoginKey() const
{
    return GetApplicationKey() + u"Connect\\" + GetHostAppTitle();
}

bool TCustomConnectDialog::OpenKeyForReading(TConnectDialogRegistry& Registry, const String& Key) const
{
    if (Registry.OpenKeyReadOnly(Key))
        return true;
    const String fallback = core::StringReplace(Key, u"Tamsel", u"Vornick", core::rfReplaceAll | core::rfIgnoreCase);
    return fallback != Key && Registry.OpenKeyReadOnly(fallback);
}

void TCustomConnectDialog::LoadServerList(core::Strings& List)
{
    auto registry = NewConnectDialogRegistry();
    if (!OpenKeyForReading(*registry, GetServerHistoryKey()))
        return;
    List.Clear();
    for (int n = 1;; ++n) {
        const String name = core::Format(u"%s %d", {GetServerValueName(), n});
        if (!registry->ValueExists(name))
            break;
        List.Add(registry->ReadString(name));
    }
}

void TCustomConnectDialog::SaveServerList()
{
    if (!FConnection || FConnection->GetServer().empty())
        return;
    const String server = FConnection->GetServer();
    core::StringList history;
    LoadServerList(history);
    auto registry = NewConnectDialogRegistry();
    if (!registry->OpenKey(GetServerHistoryKey(), true))
        return;
    const String valueName = GetServerValueName();
    registry->WriteString(core::Format(u"%s %d", {valueName, 1}), server);
    int n = 2;
    for (int i = 0; i < history.Count(); ++i) {
        if (core::AnsiSameText(history[i], server))
            continue;
        registry->WriteString(core::Format(u"%s %d", {valueName, n++}), history[i]);
    }
}

void TCustomConnectDialog::SaveInfoToRegistry(TConnectDialogRegistry& Registry)
{
    Registry.WriteString(u"Username", FConnection->GetUsername());
    Registry.WriteString(GetServerValueName(), FConnection->GetServer());
}

void TCustomConnectDialog::LoadInfoFromRegistry(TConnectDialogRegistry& Registry)
{
    if (Registry.ValueExists(u"Username"))
        FConnection->SetUsername(Registry.ReadString(u"Username"));
    if (Registry.ValueExists(GetServerValueName()))
        FConnection->SetServer(Registry.ReadString(GetServerValueName()));
}

bool TCustomConnectDialog::Execute()
{
    if (!FConnection)
        throw EDatabaseError(u"Connection is not defined");
    TCustomDAConnection& connection = *FConnection;
    const String oldUsername = connection.GetUsername();
    const String oldPassword = connection.Password();
    const String oldServer = connection.GetServer();
    const auto restore = [&] {
        connection.SetUsername(oldUsername);
        connection.SetPassword(oldPassword);
        connection.SetServer(oldServer);
    };
    bool result = false;
    try {
        if (FStoreLogInfo) {
            const bool design = IsDesignHost();
            auto registry = NewConnectDialogRegistry();
            if (OpenKeyForReading(*registry, LoginKey()) && (!design || connection.GetUsername().empty()))
                LoadInfoFromRegistry(*registry);
            if (!design && !FSavePassword)
                connection.SetPassword(u"");
            if (!core::AnsiSameText(connection.GetUsername(), oldUsername))
                connection.SetPassword(u"");
        }
        result = DefConnectDialogProc ? DefConnectDialogProc(*this) : false;
        if (result && FStoreLogInfo) {
            SaveServerList();
            auto registry = NewConnectDialogRegistry();
            if (registry->OpenKey(LoginKey(), true))
                SaveInfoToRegistry(*registry);
        }
    } catch (...) {
        restore();
        throw;
    }
    if (!result)
        restore();
    return result;
}

void TCustomConnectDialog::GetServerList(core::Strings& List)
{
    if (!FUseServerHistory) {
        const TCRServerEnumeratorClass enumeratorClass = ServerEnumeratorClass();
        // Made anew when the current one is not of the provider's class.
        std::unique_ptr<TCRServerEnumerator> probe = enumeratorClass();
        const TCRServerEnumerator* current = FServerEnumerator.get();
        const TCRServerEnumerator& made = *probe;
        if (!current || typeid(*current) != typeid(made))
            SetServerEnumerator(std::move(probe));
        FServerEnumerator->GetServerList(List);
        if (List.Count() > 0)
            return;
    }
    LoadServerList(List);
}

std::unique_ptr<TDAConnectDialogBase> NewCustomConnectDialog() { return std::make_unique<TCustomConnectDialog>(); }

} // namespace data
