// Test helpers of the connection tests: the simulated remote-access library's environment (scenario,
// call log, command file) in a folder of the test's own, a look at what the library holds (entries
// of the all-users phonebook, live connections), and a guard that restores a registry value.
#pragma once

#include "core/win32.h"
#include "sim/rasapi32/test/rassimworld_win32.h"

#include <ras.h>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace client::test {

// The simulated library's environment in a folder of the test's own.
class RasWorld : public sim::rasapi32::test::RasSimWorld {
public:
    RasWorld() : RasSimWorld(L"client-rassim-") {}
};

// The remote-access library of the process, bound by name as the dial-up layer binds it.
struct RasLook {
    decltype(&::RasEnumEntriesA) enumEntries = nullptr;
    decltype(&::RasEnumConnectionsA) enumConnections = nullptr;
    decltype(&::RasGetConnectStatusA) connectStatus = nullptr;
    decltype(&::RasHangUpA) hangUp = nullptr;
    decltype(&::RasDeleteEntryA) deleteEntry = nullptr;

    // A library entry point as the given function type (through the generic function pointer type).
    template <class F>
    static F Entry(HMODULE module, const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }

    static RasLook& Get()
    {
        static RasLook look = [] {
            RasLook l;
            if (HMODULE module = LoadLibraryW(L"rasapi32.dll")) {
                l.enumEntries = Entry<decltype(&::RasEnumEntriesA)>(module, "RasEnumEntriesA");
                l.enumConnections =
                    Entry<decltype(&::RasEnumConnectionsA)>(module, "RasEnumConnectionsA");
                l.connectStatus =
                    Entry<decltype(&::RasGetConnectStatusA)>(module, "RasGetConnectStatusA");
                l.hangUp = Entry<decltype(&::RasHangUpA)>(module, "RasHangUpA");
                l.deleteEntry = Entry<decltype(&::RasDeleteEntryA)>(module, "RasDeleteEntryA");
            }
            return l;
        }();
        return look;
    }

    // Names of the entries of the default (all-users) phonebook that the client's tests make: the
    // main connection's (digits), the relay's and the tests' own "OTHER". Other test programs use
    // the same phonebook at the same time with names of their own.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> ours;
        for (const std::string& name : AllEntries()) {
            const bool digits = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
            if (digits || name == "VEDEZEVERI" || name == "OTHER")
                ours.push_back(name);
        }
        return ours;
    }

    std::vector<std::string> AllEntries() const
    {
        std::vector<std::string> names;
        if (!enumEntries)
            return names;
        std::vector<RASENTRYNAMEA> buffer(64);
        buffer[0].dwSize = sizeof(RASENTRYNAMEA);
        DWORD bytes = DWORD(buffer.size() * sizeof(RASENTRYNAMEA));
        DWORD count = 0;
        if (enumEntries(nullptr, nullptr, buffer.data(), &bytes, &count) != 0)
            return names;
        for (DWORD i = 0; i < count; ++i)
            names.push_back(buffer[i].szEntryName);
        return names;
    }

    struct Conn {
        HRASCONN handle;
        std::string entry;
    };
    std::vector<Conn> Connections() const
    {
        std::vector<Conn> out;
        if (!enumConnections)
            return out;
        std::vector<RASCONNA> buffer(16);
        buffer[0].dwSize = sizeof(RASCONNA);
        DWORD bytes = DWORD(buffer.size() * sizeof(RASCONNA));
        DWORD count = 0;
        if (enumConnections(buffer.data(), &bytes, &count) != 0)
            return out;
        for (DWORD i = 0; i < count; ++i)
            out.push_back({buffer[i].hrasconn, buffer[i].szEntryName});
        return out;
    }

    // The state of a connection; the error in `error`; -1 when the query fails.
    int State(HRASCONN handle, DWORD* error = nullptr) const
    {
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        if (!connectStatus || connectStatus(handle, &status) != 0)
            return -1;
        if (error)
            *error = status.dwError;
        return int(status.rasconnstate);
    }

    // Whatever a failed test left: every connection of this process hung up, every entry of the
    // client's tests deleted.
    void Clean() const
    {
        for (const Conn& c : Connections())
            if (hangUp)
                hangUp(c.handle);
        for (const std::string& name : Entries())
            if (deleteEntry)
                deleteEntry(nullptr, name.c_str());
    }
};

// Remembers a value of HKEY_LOCAL_MACHINE (and whether its key existed) and puts it back.
class RegistryValueGuard {
public:
    RegistryValueGuard(std::wstring key, std::wstring value) : m_key(std::move(key)), m_value(std::move(value))
    {
        HKEY handle = nullptr;
        const std::wstring parent = m_key.substr(0, m_key.find_last_of(L'\\'));
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            m_parent_existed = true;
            RegCloseKey(handle);
        }
        m_key_existed = RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
        if (m_key_existed) {
            DWORD type = 0, data = 0, size = sizeof data;
            if (RegQueryValueExW(handle, m_value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD)
                m_saved = data;
            RegCloseKey(handle);
        }
    }
    ~RegistryValueGuard()
    {
        if (!m_key_existed) {
            DeleteKey();
            return;
        }
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            return;
        if (m_saved)
            RegSetValueExW(handle, m_value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*m_saved),
                           sizeof(DWORD));
        else
            RegDeleteValueW(handle, m_value.c_str());
        RegCloseKey(handle);
    }
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;

    // Puts the key and value in a state for the test: no key, key without value, or a value.
    void MakeKeyMissing() { DeleteKey(); }
    void SetState(std::optional<DWORD> value)
    {
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            return;
        if (value)
            RegSetValueExW(handle, m_value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                           sizeof(DWORD));
        else
            RegDeleteValueW(handle, m_value.c_str());
        RegCloseKey(handle);
    }
    // The value now; nullopt when the key or the value is missing.
    std::optional<DWORD> Read() const
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD type = 0, data = 0, size = sizeof data;
        const bool ok = RegQueryValueExW(handle, m_value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                         &size) == ERROR_SUCCESS &&
                        type == REG_DWORD;
        RegCloseKey(handle);
        return ok ? std::optional<DWORD>(data) : std::nullopt;
    }

private:
    // The key, and its parent when the test made that too (keys the test found stay).
    void DeleteKey()
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_key.c_str());
        if (!m_parent_existed)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_key.substr(0, m_key.find_last_of(L'\\')).c_str());
    }
    std::wstring m_key;
    std::wstring m_value;
    bool m_key_existed = false;
    bool m_parent_existed = false;
    std::optional<DWORD> m_saved;
};

} // namespace client::test
