// The world a black-box test of client.exe runs in: a scratch folder holding a copy of the client
// with the simulated remote-access library beside it, the substitute service as a child process
// steered through its control port, the logs of both, the user's saved-login registry key and the
// all-users phonebook.
#pragma once

#include "tests/e2e/process.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// --- JSON lines of the two logs ----------------------------------------------------------------

// One value of a JSON line. Strings hold UTF-8; "\u00XX" escapes below 0x100 are the raw byte (the
// service logs bodies byte by byte that way).
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json* Find(const std::string& key) const;
    // The member's text ("" when missing or not a string) and number (0 when missing).
    std::string Str(const std::string& key) const;
    double Num(const std::string& key) const;
    // Throws std::runtime_error on malformed text.
    static Json Parse(const std::string& text);
};

std::vector<Json> ParseJsonLines(const std::string& text);
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
// A path of the build tree (a Unix path) as Wine's Windows path.
std::wstring FromBuildPath(const char* unix_path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool AppendFileBytes(const std::wstring& path, const std::string& bytes);

// --- Requests the service answered ----------------------------------------------------------------

struct ServiceRequest {
    std::string host;
    int port = 0;
    std::string method;
    std::string path;    // full path, e.g. "/zirovadi/useradmin/usercheck.php"
    std::map<std::string, std::string> fields;  // decoded form fields (UTF-8)
    int status = 0;
    std::string reply;
    bool dropped = false;

    // The last path segment, e.g. "usercheck.php".
    std::string Script() const;
};

// The substitute service as a child process on the fixed ports of a default and a fallback host of
// its own: two loopback addresses drawn for this service (127.N.M.1 and 127.N.M.2), so that the
// fixed port numbers clash with no other run on the machine. The client is pointed at them through
// CLIENT_SERVICE_HOST and CLIENT_FALLBACK_HOST.
class Service {
public:
    // Starts the program with the data file and waits until it listens. Throws on failure.
    Service(const std::wstring& program, const std::wstring& folder, const std::wstring& data_file);
    const std::string& Host() const { return m_host; }
    const std::string& FallbackHost() const { return m_fallback_host; }
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Control requests; each returns the HTTP status (0 when the control port does not answer).
    int LoadScenario(const std::string& utf8);
    int ClearScenario();
    int LoadData(const std::string& utf8);
    int ClearLog();
    std::vector<ServiceRequest> Requests();
    // Requests to one script ("usercheck.php"), in order.
    std::vector<ServiceRequest> Requests(const std::string& script);
    std::vector<Json> Sessions();
    // Ends the service at once, as a crash would: its ports refuse from now on.
    void Kill();
    // Asks the service to stop and waits for it.
    void Stop();
    bool Running() const { return m_process.Running(); }

private:
    int Control(const char* method, const std::string& path, const std::string& body, std::string* reply);

    Process m_process;
    std::wstring m_output;
    std::string m_host;
    std::string m_fallback_host;
};

// --- The simulated remote-access library's side ---------------------------------------------------

// The all-users phonebook's entry names.
std::vector<std::wstring> PhonebookEntries();

// --- Saved login -----------------------------------------------------------------------------------

struct SavedLogin {
    bool key_exists = false;
    std::optional<DWORD> save_password;
    std::optional<std::wstring> user_name;
    std::optional<std::wstring> password;
};
SavedLogin ReadSavedLogin();
void WriteSavedLogin(const SavedLogin& login);  // key_exists false: the key is deleted

// Keeps the user's saved login as it was before the test.
class SavedLoginGuard {
public:
    SavedLoginGuard() : m_saved(ReadSavedLogin()) {}
    ~SavedLoginGuard() { WriteSavedLogin(m_saved); }
    SavedLoginGuard(const SavedLoginGuard&) = delete;
    SavedLoginGuard& operator=(const SavedLoginGuard&) = delete;

private:
    SavedLogin m_saved;
};

// --- Scratch folder --------------------------------------------------------------------------------

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// The client in a program folder of its own with rasapi32.dll beside it; the library's scenario,
// call log and command file in the scratch folder.
class Client {
public:
    Client(const ScratchFolder& scratch, const std::wstring& program, const std::wstring& rasapi32_dll,
           const std::string& dial_scenario = {});
    // Starts client.exe against the service's hosts, with the command-line arguments given; the
    // process ends with the test at the latest.
    void Start(const Service& service, const std::wstring& arguments = {});
    Process& Proc() { return m_process; }
    DWORD Pid() const { return m_process.Id(); }
    const std::wstring& ProgramFolder() const { return m_folder; }
    // The library's call log so far.
    std::vector<Json> Calls() const;
    // Calls of one entry point, both character forms ("RasDial" finds RasDialA and RasDialW).
    std::vector<Json> Calls(const std::string& name) const;
    // Appends a line to the library's command file ("drop *").
    void Command(const std::string& line) const;

private:
    const ScratchFolder& m_scratch;
    std::wstring m_folder;
    Process m_process;
};

} // namespace e2e
