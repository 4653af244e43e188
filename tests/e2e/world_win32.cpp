#include "tests/e2e/world.h"

#include "tests/e2e/driver.h"

#include "core/win32.h"

#include <httplib.h>
#include <shlobj.h>

#include <stdexcept>
#include <thread>

namespace e2e {

using namespace std::chrono_literals;

// --- JSON -------------------------------------------------------------------------------------------

namespace {

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : m_text(text) {}

    Json Document()
    {
        Json value = Value();
        Blanks();
        if (m_at != m_text.size())
            Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const char* what) const
    {
        throw std::runtime_error(std::string("malformed JSON (") + what + ") at " + std::to_string(m_at));
    }
    void Blanks()
    {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\r' ||
                                        m_text[m_at] == '\n'))
            ++m_at;
    }
    bool Take(char c)
    {
        Blanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool Word(const char* word)
    {
        const size_t n = strlen(word);
        if (m_text.compare(m_at, n, word) != 0)
            return false;
        m_at += n;
        return true;
    }
    Json Value()
    {
        if (++m_depth > 64)
            Fail("nested too deep");
        Blanks();
        if (m_at >= m_text.size())
            Fail("end of text");
        Json v;
        const char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            v.kind = Json::Kind::Object;
            if (!Take('}')) {
                do {
                    Blanks();
                    std::string key = String();
                    if (!Take(':'))
                        Fail("':' expected");
                    v.members.emplace_back(std::move(key), Value());
                } while (Take(','));
                if (!Take('}'))
                    Fail("'}' expected");
            }
        } else if (c == '[') {
            ++m_at;
            v.kind = Json::Kind::Array;
            if (!Take(']')) {
                do
                    v.items.push_back(Value());
                while (Take(','));
                if (!Take(']'))
                    Fail("']' expected");
            }
        } else if (c == '"') {
            v.kind = Json::Kind::String;
            v.text = String();
        } else if (Word("true") || Word("false")) {
            v.kind = Json::Kind::Bool;
            v.boolean = m_text[m_at - 1] == 'e' && m_text[m_at - 2] == 'u';
        } else if (Word("null")) {
            v.kind = Json::Kind::Null;
        } else {
            size_t used = 0;
            try {
                v.number = std::stod(m_text.substr(m_at, 32), &used);
            } catch (const std::exception&) {
                Fail("value expected");
            }
            v.kind = Json::Kind::Number;
            m_at += used;
        }
        --m_depth;
        return v;
    }
    unsigned Hex4()
    {
        if (m_at + 4 > m_text.size())
            Fail("short escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_at++];
            value <<= 4;
            if (h >= '0' && h <= '9')
                value |= unsigned(h - '0');
            else if (h >= 'a' && h <= 'f')
                value |= unsigned(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                value |= unsigned(h - 'A' + 10);
            else
                Fail("bad escape");
        }
        return value;
    }
    static void AppendUtf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    std::string String()
    {
        if (m_at >= m_text.size() || m_text[m_at] != '"')
            Fail("string expected");
        ++m_at;
        std::string out;
        for (;;) {
            if (m_at >= m_text.size())
                Fail("open string");
            const char c = m_text[m_at++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size())
                Fail("open escape");
            const char e = m_text[m_at++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                unsigned cp = Hex4();
                if (cp < 0x100) {
                    out += char(cp);  // a raw byte
                    break;
                }
                if (cp >= 0xD800 && cp < 0xDC00 && m_text.compare(m_at, 2, "\\u") == 0) {
                    m_at += 2;
                    const unsigned low = Hex4();
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, cp);
                break;
            }
            default: out += e; break;
            }
        }
    }

    const std::string& m_text;
    size_t m_at = 0;
    int m_depth = 0;
};

} // namespace

const Json* Json::Find(const std::string& key) const
{
    for (const auto& [name, value] : members)
        if (name == key)
            return &value;
    return nullptr;
}

std::string Json::Str(const std::string& key) const
{
    const Json* v = Find(key);
    return v && v->kind == Kind::String ? v->text : std::string();
}

double Json::Num(const std::string& key) const
{
    const Json* v = Find(key);
    return v && v->kind == Kind::Number ? v->number : 0;
}

Json Json::Parse(const std::string& text) { return JsonReader(text).Document(); }

std::vector<Json> ParseJsonLines(const std::string& text)
{
    std::vector<Json> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();  // a line still being written is left for later
        else {
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                out.push_back(Json::Parse(line));
        }
        start = end + 1;
    }
    return out;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::wstring FromBuildPath(const char* unix_path)
{
    std::wstring path = Wide(unix_path);
    if (!path.empty() && path[0] == L'/')
        path = L"Z:" + path;  // Wine maps the Unix root to drive Z:
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::string ReadFileBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

namespace {
// Writes the bytes to the file opened with the given access and disposition.
bool PutFileBytes(const std::wstring& path, const std::string& bytes, DWORD access, DWORD share, DWORD disposition)
{
    HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}
} // namespace

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    return PutFileBytes(path, bytes, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

bool AppendFileBytes(const std::wstring& path, const std::string& bytes)
{
    return PutFileBytes(path, bytes, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
}

// --- Service ----------------------------------------------------------------------------------------

std::string ServiceRequest::Script() const
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Service::Service(const std::wstring& program, const std::wstring& folder, const std::wstring& data_file)
    : m_output(folder + L"\\service.out")
{
    // 127.0.x.x stays free for the nodes and for ./run.
    const uint64_t seed = GetTickCount64() * 2654435761u ^ (uint64_t(GetCurrentProcessId()) << 7);
    const std::string net = "127." + std::to_string(100 + seed % 150) + "." + std::to_string((seed >> 8) % 250 + 1) + ".";
    m_host = net + "1";
    m_fallback_host = net + "2";
    const std::wstring arguments = L"--host " + Wide(m_host) + L" --fallback-host " + Wide(m_fallback_host) +
                                   L" --data " + QuoteArgument(data_file);
    m_process = Process::Start(program, arguments, folder, {}, m_output);
    const bool ready = WaitFor(
        [&] { return ReadFileBytes(m_output).rfind("ready", 0) == 0 || !m_process.Running(); }, 20s);
    if (!ready || !m_process.Running())
        throw std::runtime_error("the service did not start: " + ReadFileBytes(m_output));
}

Service::~Service() { Stop(); }

int Service::Control(const char* method, const std::string& path, const std::string& body, std::string* reply)
{
    httplib::Client control(m_host, 8002);
    control.set_connection_timeout(2, 0);
    control.set_read_timeout(10, 0);
    httplib::Result result = std::string(method) == "GET"      ? control.Get(path)
                             : std::string(method) == "DELETE" ? control.Delete(path)
                                                               : control.Post(path, body, "text/plain");
    if (!result)
        return 0;
    if (reply)
        *reply = result->body;
    return result->status;
}

int Service::LoadScenario(const std::string& utf8) { return Control("POST", "/scenario", utf8, nullptr); }

int Service::ClearScenario() { return Control("DELETE", "/scenario", {}, nullptr); }

int Service::ClearLog() { return Control("DELETE", "/log", {}, nullptr); }

int Service::LoadData(const std::string& utf8) { return Control("POST", "/data", utf8, nullptr); }

std::vector<ServiceRequest> Service::Requests()
{
    std::string text;
    std::vector<ServiceRequest> out;
    if (Control("GET", "/log", {}, &text) != 200)
        return out;
    for (const Json& line : ParseJsonLines(text)) {
        ServiceRequest r;
        r.host = line.Str("host");
        r.port = int(line.Num("port"));
        r.method = line.Str("method");
        r.path = line.Str("path");
        r.status = int(line.Num("status"));
        r.reply = line.Str("reply");
        const Json* dropped = line.Find("dropped");
        r.dropped = dropped && dropped->boolean;
        if (const Json* fields = line.Find("fields"))
            for (const Json& pair : fields->items)
                if (pair.items.size() == 2)
                    r.fields[pair.items[0].text] = pair.items[1].text;
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<ServiceRequest> Service::Requests(const std::string& script)
{
    std::vector<ServiceRequest> out;
    for (auto& r : Requests())
        if (r.Script() == script)
            out.push_back(std::move(r));
    return out;
}

std::vector<Json> Service::Sessions()
{
    std::string text;
    if (Control("GET", "/sessions", {}, &text) != 200)
        return {};
    return ParseJsonLines(text);
}

void Service::Kill() { m_process.Kill(); }

void Service::Stop()
{
    if (!m_process.Running())
        return;
    Control("POST", "/shutdown", {}, nullptr);
    if (!m_process.WaitExit(10s))
        m_process.Kill();
}

// --- Phonebook ------------------------------------------------------------------------------------

std::vector<std::wstring> PhonebookEntries()
{
    wchar_t common[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common);
    const std::string text =
        ReadFileBytes(std::wstring(common) + L"\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk");
    std::vector<std::wstring> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            // Entry names are ANSI text in the phonebook.
            const std::string name = line.substr(1, line.size() - 2);
            const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
            std::wstring wide(size_t(n), L'\0');
            MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), n);
            names.push_back(wide);
        }
        start = end + 1;
    }
    return names;
}

// --- Saved login ------------------------------------------------------------------------------------

namespace {

constexpr wchar_t kLoginKey[] = L"Software\\vavovav";

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(wcsnlen(value.c_str(), size / sizeof(wchar_t)));
    return value;
}

} // namespace

SavedLogin ReadSavedLogin()
{
    SavedLogin login;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kLoginKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return login;
    login.key_exists = true;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key, L"savepassword", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
        login.save_password = value;
    login.user_name = ReadString(key, L"username");
    login.password = ReadString(key, L"password");
    RegCloseKey(key);
    return login;
}

void WriteSavedLogin(const SavedLogin& login)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kLoginKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kLoginKey);
    if (!login.key_exists)
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kLoginKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (login.save_password) {
        const DWORD value = *login.save_password;
        RegSetValueExW(key, L"savepassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    auto put = [&](const wchar_t* name, const std::optional<std::wstring>& text) {
        if (text)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                           DWORD((text->size() + 1) * sizeof(wchar_t)));
    };
    put(L"username", login.user_name);
    put(L"password", login.password);
    RegCloseKey(key);
}

// --- Scratch folder ---------------------------------------------------------------------------------

namespace {

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace

ScratchFolder::ScratchFolder()
{
    static int counter = 0;
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    m_path = std::wstring(base) + L"e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
    if (!CreateDirectoryW(m_path.c_str(), nullptr))
        throw std::runtime_error("cannot make a scratch folder");
}

ScratchFolder::~ScratchFolder() { RemoveTree(m_path); }

// --- Client ---------------------------------------------------------------------------------------

Client::Client(const ScratchFolder& scratch, const std::wstring& program, const std::wstring& rasapi32_dll,
               const std::string& dial_scenario)
    : m_scratch(scratch), m_folder(scratch.File(L"program"))
{
    CreateDirectoryW(m_folder.c_str(), nullptr);
    if (!CopyFileW(program.c_str(), (m_folder + L"\\client.exe").c_str(), FALSE) ||
        !CopyFileW(rasapi32_dll.c_str(), (m_folder + L"\\rasapi32.dll").c_str(), FALSE))
        throw std::runtime_error("cannot copy the client and the remote-access library");
    WriteFileBytes(scratch.File(L"commands.txt"), {});
    if (!dial_scenario.empty())
        WriteFileBytes(scratch.File(L"dial.ini"), dial_scenario);
}

void Client::Start(const Service& service, const std::wstring& arguments)
{
    Environment env = {
        {L"RASSIM_LOG", m_scratch.File(L"rasapi32.log")},
        {L"RASSIM_COMMANDS", m_scratch.File(L"commands.txt")},
        {L"RASSIM_SCENARIO", GetFileAttributesW(m_scratch.File(L"dial.ini").c_str()) != INVALID_FILE_ATTRIBUTES
                                 ? m_scratch.File(L"dial.ini")
                                 : std::wstring()},
        {L"CLIENT_SERVICE_HOST", Wide(service.Host())},
        {L"CLIENT_FALLBACK_HOST", Wide(service.FallbackHost())},
    };
    m_process = Process::Start(m_folder + L"\\client.exe", arguments, m_folder, env);
}

std::vector<Json> Client::Calls() const { return ParseJsonLines(ReadFileBytes(m_scratch.File(L"rasapi32.log"))); }

std::vector<Json> Client::Calls(const std::string& name) const
{
    std::vector<Json> out;
    for (Json& line : Calls()) {
        const std::string call = line.Str("call");
        if (call == name || call == name + "A" || call == name + "W")
            out.push_back(std::move(line));
    }
    return out;
}

void Client::Command(const std::string& line) const
{
    AppendFileBytes(m_scratch.File(L"commands.txt"), line + "\n");
}

} // namespace e2e
