#include "tests/e2e/process.h"

#include <map>
#include <stdexcept>

namespace e2e {

namespace {

struct NoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
};

// The caller's environment with the variables applied, as a block for CreateProcessW.
std::wstring EnvironmentBlock(const Environment& variables)
{
    std::map<std::wstring, std::wstring, NoCaseLess> merged;
    std::vector<std::wstring> hidden;  // "=C:" style entries keep their place in front
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* p = strings; *p; p += wcslen(p) + 1) {
            const std::wstring entry(p);
            const size_t eq = entry.find(L'=', 1);
            if (entry[0] == L'=' || eq == std::wstring::npos)
                hidden.push_back(entry);
            else
                merged[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : variables) {
        if (value.empty())
            merged.erase(name);
        else
            merged[name] = value;
    }
    std::wstring block;
    for (const auto& entry : hidden)
        block += entry + L'\0';
    for (const auto& [name, value] : merged)
        block += name + L'=' + value + L'\0';
    block += L'\0';
    return block;
}

} // namespace

std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

Process::~Process() { Kill(); }

Process::Process(Process&& other) noexcept : m_process(other.m_process), m_pid(other.m_pid)
{
    other.m_process = nullptr;
    other.m_pid = 0;
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        Kill();
        m_process = other.m_process;
        m_pid = other.m_pid;
        other.m_process = nullptr;
        other.m_pid = 0;
    }
    return *this;
}

Process Process::Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                       const Environment& variables, const std::wstring& output)
{
    std::wstring command = QuoteArgument(program);
    if (!arguments.empty())
        command += L" " + arguments;
    std::wstring block = EnvironmentBlock(variables);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE out = INVALID_HANDLE_VALUE;
    HANDLE in = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        out = CreateFileW(output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE)
            throw std::runtime_error("cannot create the output file of a child process");
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        startup.hStdInput = in;
    }
    PROCESS_INFORMATION info{};
    const BOOL ok = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, output.empty() ? FALSE : TRUE,
                                   CREATE_UNICODE_ENVIRONMENT, block.data(), folder.empty() ? nullptr : folder.c_str(),
                                   &startup, &info);
    const DWORD error = GetLastError();
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (!ok)
        throw std::runtime_error("cannot start a child process, error " + std::to_string(error));
    CloseHandle(info.hThread);
    Process p;
    p.m_process = info.hProcess;
    p.m_pid = info.dwProcessId;
    return p;
}

bool Process::Running() const { return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitExit(std::chrono::milliseconds timeout)
{
    if (!m_process || WaitForSingleObject(m_process, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

void Process::WaitIdle(std::chrono::milliseconds timeout)
{
    if (m_process)
        WaitForInputIdle(m_process, static_cast<DWORD>(timeout.count()));
}

void Process::Kill()
{
    if (!m_process)
        return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 99);
        WaitForSingleObject(m_process, 10000);
    }
    CloseHandle(m_process);
    m_process = nullptr;
    m_pid = 0;
}

} // namespace e2e
