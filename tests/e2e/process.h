// A child process for black-box tests: started with extra environment variables and optional
// standard output to a file, waited for with a time-out, and ended when the test ends.
#pragma once

#include "core/win32.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

class Process {
public:
    Process() = default;
    // Ends the process if it still runs.
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts program with the command-line arguments (already quoted as needed) in the folder; the
    // variables are set (an empty value removes one) over the caller's environment. Output, when
    // given, receives standard output and standard error. Throws std::runtime_error on failure.
    static Process Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                         const Environment& variables = {}, const std::wstring& output = {});

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_pid; }
    bool Running() const;
    // The exit code once the process has ended within the time-out.
    std::optional<DWORD> WaitExit(std::chrono::milliseconds timeout);
    // Waits until the process waits for input (its first message loop is idle).
    void WaitIdle(std::chrono::milliseconds timeout);
    void Kill();

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// Quotes one command-line argument the way the C runtime splits them.
std::wstring QuoteArgument(const std::wstring& argument);

} // namespace e2e
