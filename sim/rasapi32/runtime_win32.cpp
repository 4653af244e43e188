// Process-wide state of the simulated remote-access library: the library thread, the scenario,
// the call log, the command file and the phonebook files.
//
// The command file (RASSIM_COMMANDS) is text that tests append lines to while connections are
// live: "complete <target>" lets a held dial go on to connected, "fail <target> [error]" ends a
// dial in progress with the error (default 678), "drop <target> [error]" drops a connected link
// (default 619); the target is the dialled server address, the entry name, the connection handle in
// hex ("0x...") or "*". Each process reads the lines appended after it first looked at the file.
#include "sim/rasapi32/runtime_win32.h"

#include "sim/rasapi32/codes.h"

#include <ras.h>
#include <shlobj.h>

#include <chrono>
#include <string>

namespace sim::rasapi32 {

namespace {

constexpr DWORD kLockWaitMs = 10000;
constexpr uint64_t kMaxFileBytes = 16u << 20;

int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A mutex shared by every process that loads the library; held for one file operation.
class NamedLock {
public:
    explicit NamedLock(const wchar_t* name) : m_handle(CreateMutexW(nullptr, FALSE, name))
    {
        if (m_handle) {
            const DWORD wait = WaitForSingleObject(m_handle, kLockWaitMs);
            m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        }
    }
    ~NamedLock()
    {
        if (m_owned)
            ReleaseMutex(m_handle);
        if (m_handle)
            CloseHandle(m_handle);
    }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    bool Owned() const { return m_owned; }

private:
    HANDLE m_handle;
    bool m_owned = false;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (Valid())
            CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadWholeFile(const String& path, std::string& bytes, uint64_t from = 0)
{
    bytes.clear();
    FileHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || static_cast<uint64_t>(size.QuadPart) > kMaxFileBytes + from)
        return ReadResult::Failed;
    if (static_cast<uint64_t>(size.QuadPart) <= from)
        return ReadResult::Ok;
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(from);
    if (!SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN))
        return ReadResult::Failed;
    bytes.resize(static_cast<size_t>(static_cast<uint64_t>(size.QuadPart) - from));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return ReadResult::Failed;
    bytes.resize(read);
    return ReadResult::Ok;
}

String ParentFolder(const String& path)
{
    const size_t slash = path.find_last_of(u"\\/");
    return slash == String::npos ? String() : path.substr(0, slash);
}

bool FolderExists(const String& folder)
{
    if (folder.empty())
        return true;
    const DWORD attributes = GetFileAttributesW(W(folder));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

String SpecialFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    return FromWide(buffer, wcsnlen(buffer, MAX_PATH));
}

String FullPath(StringView path)
{
    const String input(path);
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameW(W(input), MAX_PATH * 2, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH * 2)
        return input;
    return FromWide(buffer, length);
}

} // namespace

String HandleHex(uint64_t handle)
{
    char digits[24];
    snprintf(digits, sizeof digits, "0x%llx", static_cast<unsigned long long>(handle));
    return core::FromUtf8(digits);
}

String EnvironmentValue(const wchar_t* name)
{
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    if (length == 0 || length >= 1024)
        return {};
    return FromWide(buffer, length);
}

Runtime& Runtime::Get()
{
    static Runtime* runtime = [] {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&Runtime::Get), &self);
        return new Runtime();
    }();
    return *runtime;
}

Runtime::Runtime()
    : m_start_ms(SteadyMs()),
      m_dispatcher(Dispatcher::Hooks{
          [] { return SteadyMs(); },
          [this](const Event& event) { Observe(event); },
          [this](const Event& event) { return Deliver(event); },
          [this] { return PollCommands(); },
      })
{
}

Scenario Runtime::CurrentScenario()
{
    std::lock_guard lock(m_scenario_mutex);
    const String path = EnvironmentValue(kScenarioVariable);
    uint64_t stamp = 0;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!path.empty() && GetFileAttributesExW(W(path), GetFileExInfoStandard, &data))
        stamp = ((uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime) ^
                (uint64_t(data.nFileSizeLow) << 7);
    if (path == m_scenario_path && stamp == m_scenario_stamp)
        return m_scenario;
    m_scenario_path = path;
    m_scenario_stamp = stamp;
    std::string bytes;
    m_scenario = !path.empty() && ReadWholeFile(path, bytes) == ReadResult::Ok ? Scenario::Parse(bytes) : Scenario();
    JsonLine line = Begin("event", "scenario");
    line.Text("path", path).Number("warnings", static_cast<int64_t>(m_scenario.Warnings().size()));
    Log(line);
    for (const String& warning : m_scenario.Warnings()) {
        JsonLine bad = Begin("event", "scenario_warning");
        bad.Text("line", warning);
        Log(bad);
    }
    Scenario copy = m_scenario;
    m_dispatcher.With([&](Engine& engine, int64_t) {
        engine.SetScenario(copy);
        return 0;
    });
    return m_scenario;
}

JsonLine Runtime::Begin(std::string_view kind, std::string_view name) const
{
    JsonLine line;
    line.Number("ms", SteadyMs() - m_start_ms).Number("pid", GetCurrentProcessId());
    line.Text(kind, core::FromUtf8(name));
    return line;
}

void Runtime::Log(const JsonLine& line)
{
    const String path = EnvironmentValue(kLogVariable);
    if (path.empty())
        return;
    const std::string text = line.Line();
    NamedLock lock(L"Local\\RasSimLogLock");
    FileHandle file(CreateFileW(W(path), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return;
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

String Runtime::AllUsersPhonebook()
{
    return SpecialFolder(CSIDL_COMMON_APPDATA) + u"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
}

String Runtime::UserPhonebook()
{
    return SpecialFolder(CSIDL_APPDATA) + u"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
}

String Runtime::Resolve(StringView given)
{
    return given.empty() ? AllUsersPhonebook() : String(given);
}

bool Runtime::IsAllUsers(StringView path)
{
    const String a = FullPath(path);
    const String b = FullPath(AllUsersPhonebook());
    return CompareStringOrdinal(W(a), static_cast<int>(a.size()), W(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

uint32_t Runtime::ReadPhonebook(const String& path, Phonebook& out)
{
    NamedLock lock(L"Local\\RasSimPhonebookLock");
    if (!lock.Owned())
        return code::kCannotOpenPhonebook;
    std::string bytes;
    switch (ReadWholeFile(path, bytes)) {
    case ReadResult::Ok:
    case ReadResult::Missing:
        out = Phonebook::Parse(bytes);
        return code::kSuccess;
    default:
        return code::kCannotOpenPhonebook;
    }
}

uint32_t Runtime::ChangePhonebook(const String& path, const std::function<uint32_t(Phonebook&)>& change)
{
    NamedLock lock(L"Local\\RasSimPhonebookLock");
    if (!lock.Owned())
        return code::kCannotOpenPhonebook;
    std::string bytes;
    if (ReadWholeFile(path, bytes) == ReadResult::Failed)
        return code::kCannotOpenPhonebook;
    Phonebook book = Phonebook::Parse(bytes);
    const uint32_t result = change(book);
    if (result != code::kSuccess)
        return result;

    const String folder = ParentFolder(path);
    if (!FolderExists(folder)) {
        // The system's own phonebook folders are made on demand; other folders must exist.
        const bool own = IsAllUsers(path) || CompareStringOrdinal(W(FullPath(path)), -1, W(FullPath(UserPhonebook())),
                                                                  -1, TRUE) == CSTR_EQUAL;
        if (!own || SHCreateDirectoryExW(nullptr, W(FullPath(folder)), nullptr) != ERROR_SUCCESS)
            return code::kCannotOpenPhonebook;
    }
    // Written beside the file and moved over it, so that a reader never sees half a phonebook.
    const String temporary = path + u".tmp" + core::UIntToStr(GetCurrentProcessId());
    const std::string text = book.Serialize();
    {
        FileHandle file(CreateFileW(W(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file.Valid())
            return GetLastError() == ERROR_ACCESS_DENIED ? code::kAccessDenied : code::kCannotWritePhonebook;
        DWORD written = 0;
        if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size()) {
            DeleteFileW(W(temporary));
            return code::kCannotWritePhonebook;
        }
    }
    if (!MoveFileExW(W(temporary), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(W(temporary));
        return error == ERROR_ACCESS_DENIED ? code::kAccessDenied : code::kCannotWritePhonebook;
    }
    return code::kSuccess;
}

void Runtime::AddNotification(uint64_t handle, HANDLE event, DWORD flags)
{
    std::lock_guard lock(m_notify_mutex);
    m_notifications.push_back({handle, event, flags});
}

void Runtime::Observe(const Event& event)
{
    JsonLine line = Begin("event", "state");
    line.Text("handle", HandleHex(event.handle))
        .Text("entry", event.entryName)
        .Text("server", event.server)
        .Number("state", event.state)
        .Number("error", event.error)
        .Bool("notify", event.toNotifier);
    Log(line);

    DWORD kind = 0;
    if (event.state == state::kConnected && !event.error)
        kind = RASCN_Connection;
    else if (event.state == state::kDisconnected || event.error)
        kind = RASCN_Disconnection;
    if (!kind)
        return;
    std::lock_guard lock(m_notify_mutex);
    for (const Registration& r : m_notifications)
        if ((r.flags & kind) && (r.handle == 0 || r.handle == event.handle))
            SetEvent(r.event);
    // A registration for one connection ends with it.
    if (kind == RASCN_Disconnection)
        std::erase_if(m_notifications, [&](const Registration& r) { return r.handle == event.handle; });
}

bool Runtime::Deliver(const Event& event)
{
    const HRASCONN handle = reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(event.handle));
    const auto state = static_cast<RASCONNSTATE>(event.state);
    switch (event.notifierKind) {
    case 0:
        reinterpret_cast<RASDIALFUNC>(static_cast<uintptr_t>(event.notifier))(WM_RASDIALEVENT, state, event.error);
        return true;
    case 1:
        reinterpret_cast<RASDIALFUNC1>(static_cast<uintptr_t>(event.notifier))(handle, WM_RASDIALEVENT, state,
                                                                                event.error, 0);
        return true;
    case 2:
        return reinterpret_cast<RASDIALFUNC2>(static_cast<uintptr_t>(event.notifier))(
                   static_cast<ULONG_PTR>(event.callbackId), event.subEntry, handle, WM_RASDIALEVENT, state,
                   event.error, 0) != 0;
    default: {
        UINT message = RegisterWindowMessageA(RASDIALEVENT);
        if (!message)
            message = WM_RASDIALEVENT;
        PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(event.notifier)), message, event.state,
                     event.error);
        return true;
    }
    }
}

std::vector<String> Runtime::PollCommands()
{
    std::lock_guard lock(m_commands_mutex);
    std::vector<String> lines;
    const String path = EnvironmentValue(kCommandsVariable);
    if (path != m_commands_path) {
        m_commands_path = path;
        m_commands_offset = 0;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        // Only what is appended from now on is meant for this process.
        if (!path.empty() && GetFileAttributesExW(W(path), GetFileExInfoStandard, &data))
            m_commands_offset = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    if (path.empty())
        return lines;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data))
        return lines;
    const uint64_t size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size < m_commands_offset)
        m_commands_offset = 0;  // the file was made anew
    if (size == m_commands_offset)
        return lines;
    std::string bytes;
    if (ReadWholeFile(path, bytes, m_commands_offset) != ReadResult::Ok)
        return lines;
    // Only whole lines: a line still being written is read next time.
    const size_t end = bytes.rfind('\n');
    if (end == std::string::npos)
        return lines;
    m_commands_offset += end + 1;
    size_t start = 0;
    while (start <= end) {
        size_t stop = bytes.find('\n', start);
        String line = core::FromUtf8(std::string_view(bytes).substr(start, stop - start));
        if (!line.empty() && line.back() == u'\r')
            line.pop_back();
        if (!core::Trim(line).empty()) {
            JsonLine logged = Begin("event", "command");
            logged.Text("line", line);
            Log(logged);
            lines.push_back(std::move(line));
        }
        start = stop + 1;
    }
    return lines;
}

} // namespace sim::rasapi32
