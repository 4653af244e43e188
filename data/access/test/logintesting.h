// Test doubles of the connect dialog tests: a registry in memory (with keys that refuse to open), a
// connection whose scripted provider accepts only one password, and a dialog under a test key.
#pragma once

#include "data/access/connectdialog.h"
#include "data/access/testing/scripted.h"

#include <map>
#include <memory>
#include <set>

namespace data::testing {

struct MemoryHive {
    std::map<String, std::map<String, String>> Keys;  // path -> values
    std::set<String> Locked;                           // paths that cannot be opened
};

class TMemoryRegistry final : public TConnectDialogRegistry {
public:
    explicit TMemoryRegistry(std::shared_ptr<MemoryHive> Hive) : FHive(std::move(Hive)) {}
    bool OpenKey(const String& Key, bool CanCreate) override
    {
        if (FHive->Locked.count(Key) || (!CanCreate && !FHive->Keys.count(Key)))
            return false;
        FHive->Keys[Key];
        FKey = Key;
        return true;
    }
    bool OpenKeyReadOnly(const String& Key) override { return OpenKey(Key, false); }
    bool ValueExists(const String& Name) const override { return Values().count(Name) > 0; }
    String ReadString(const String& Name) const override
    {
        auto it = Values().find(Name);
        return it == Values().end() ? String() : it->second;
    }
    void WriteString(const String& Name, const String& Value) override { FHive->Keys.at(FKey)[Name] = Value; }

private:
    const std::map<String, String>& Values() const { return FHive->Keys.at(FKey); }
    std::shared_ptr<MemoryHive> FHive;
    String FKey;
};

// Puts a memory hive in place of the system registry for the guard's life.
class MemoryRegistryGuard {
public:
    MemoryRegistryGuard() : Hive(std::make_shared<MemoryHive>())
    {
        SetConnectDialogRegistryFactory([hive = Hive] { return std::make_unique<TMemoryRegistry>(hive); });
    }
    ~MemoryRegistryGuard() { SetConnectDialogRegistryFactory(nullptr); }
    std::shared_ptr<MemoryHive> Hive;
};

// The provider refuses every password but "secret", with its own message.
class TPasswordConnection : public TScriptedConnection {
public:
    void Connect(StringView ConnectString) override
    {
        if (GetPassword() != u"secret")
            throw EDAError(1017, u"invalid username/password; logon denied");
        TScriptedConnection::Connect(ConnectString);
    }
};

class TLoginConnection : public TCustomDAConnection {
public:
    TCRConnectionClass GetIConnectionClass() const override
    {
        return []() -> std::unique_ptr<TCRConnection> { return std::make_unique<TPasswordConnection>(); };
    }
    // The base connection attaches no provider connection: a provider makes its own.
    void CreateIConnection() override
    {
        if (!GetIConnection())
            SetIConnection(GetIConnectionClass()().release());
    }
};

// A dialog whose registry keys lie under a test key.
class TTestConnectDialog : public TCustomConnectDialog {
public:
    explicit TTestConnectDialog(String Key = u"Software\\Tamsel\\ClientTests\\") : FKey(std::move(Key)) {}
    String GetApplicationKey() const override { return FKey; }

private:
    String FKey;
};

// Installs a display procedure for the guard's life.
class DialogProcGuard {
public:
    explicit DialogProcGuard(TConnectDialogProc Proc) { DefConnectDialogProc = std::move(Proc); }
    ~DialogProcGuard() { DefConnectDialogProc = nullptr; }
};

} // namespace data::testing
