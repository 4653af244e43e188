// The process-wide state of the simulated remote-access library: the library thread and its
// engine, the scenario named by RASSIM_SCENARIO, the call log named by RASSIM_LOG, the command file
// named by RASSIM_COMMANDS, the phonebook files and the connection-notification events.
#pragma once

#include "core/win32.h"

#include "sim/rasapi32/dispatcher.h"
#include "sim/rasapi32/jsonlog.h"
#include "sim/rasapi32/phonebook.h"
#include "sim/rasapi32/scenario.h"

#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

namespace sim::rasapi32 {

inline constexpr wchar_t kScenarioVariable[] = L"RASSIM_SCENARIO";
inline constexpr wchar_t kLogVariable[] = L"RASSIM_LOG";
inline constexpr wchar_t kCommandsVariable[] = L"RASSIM_COMMANDS";

class Runtime {
public:
    // Made on first use and never destroyed: the library thread may run until the process ends,
    // so the library pins itself in memory.
    static Runtime& Get();

    Dispatcher& Connections() { return m_dispatcher; }

    // Re-reads the scenario when the variable names another file or the file changed; the copy
    // that applies now.
    Scenario CurrentScenario();

    // A log line that starts with the time, the process and the call or event name.
    JsonLine Begin(std::string_view kind, std::string_view name) const;
    void Log(const JsonLine& line);

    // Phonebook files: where they live, and reading and changing them under a lock shared by all
    // processes of the system.
    String AllUsersPhonebook();
    String UserPhonebook();
    // An empty path names the all-users phonebook, as the default phonebook of the system.
    String Resolve(StringView given);
    bool IsAllUsers(StringView path);
    uint32_t ReadPhonebook(const String& path, Phonebook& out);
    // Runs change on the file's phonebook and writes it back when change answers 0.
    uint32_t ChangePhonebook(const String& path, const std::function<uint32_t(Phonebook&)>& change);

    // Connection notifications: handle 0 registers for every connection.
    void AddNotification(uint64_t handle, HANDLE event, DWORD flags);

    // The autodial settings, kept per process.
    std::mutex& AutodialLock() { return m_autodial_mutex; }
    std::map<String, std::vector<std::pair<DWORD, String>>>& AutodialAddresses() { return m_autodial_addresses; }
    std::map<DWORD, BOOL>& AutodialEnabled() { return m_autodial_enabled; }
    std::map<DWORD, DWORD>& AutodialParams() { return m_autodial_params; }

private:
    Runtime();
    void Observe(const Event& event);
    bool Deliver(const Event& event);
    std::vector<String> PollCommands();

    const int64_t m_start_ms;
    Dispatcher m_dispatcher;

    std::mutex m_scenario_mutex;
    String m_scenario_path;
    uint64_t m_scenario_stamp = 0;
    Scenario m_scenario;

    std::mutex m_commands_mutex;
    String m_commands_path;
    uint64_t m_commands_offset = 0;

    std::mutex m_notify_mutex;
    struct Registration {
        uint64_t handle;
        HANDLE event;
        DWORD flags;
    };
    std::vector<Registration> m_notifications;

    std::mutex m_autodial_mutex;
    std::map<String, std::vector<std::pair<DWORD, String>>> m_autodial_addresses;
    std::map<DWORD, BOOL> m_autodial_enabled;
    std::map<DWORD, DWORD> m_autodial_params;
};

// Environment and text helpers of the glue.
String EnvironmentValue(const wchar_t* name);
// A connection handle as the log writes it: "0x" and lower-case hex.
String HandleHex(uint64_t handle);
inline const wchar_t* W(const String& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline String FromWide(const wchar_t* text, size_t length)
{
    return String(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace sim::rasapi32
