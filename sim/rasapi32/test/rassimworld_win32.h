// The simulated remote-access library's environment for tests: a fresh folder for the phonebook,
// the scenario, the log and the command file, with the library's environment variables pointing
// into it; all removed afterwards.
#pragma once
#include "core/win32.h"

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace sim::rasapi32::test {

class RasSimWorld {
public:
    explicit RasSimWorld(const std::wstring& prefix)
    {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        m_dir = std::wstring(base) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++Counter());
        CreateDirectoryW(m_dir.c_str(), nullptr);
        SetEnvironmentVariableW(L"RASSIM_LOG", Path(L"calls.log").c_str());
        SetEnvironmentVariableW(L"RASSIM_COMMANDS", Path(L"commands.txt").c_str());
        SetEnvironmentVariableW(L"RASSIM_SCENARIO", nullptr);
    }
    ~RasSimWorld()
    {
        SetEnvironmentVariableW(L"RASSIM_LOG", nullptr);
        SetEnvironmentVariableW(L"RASSIM_COMMANDS", nullptr);
        SetEnvironmentVariableW(L"RASSIM_SCENARIO", nullptr);
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((m_dir + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((m_dir + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(m_dir.c_str());
    }
    RasSimWorld(const RasSimWorld&) = delete;
    RasSimWorld& operator=(const RasSimWorld&) = delete;

    std::wstring Path(const std::wstring& name) const { return m_dir + L"\\" + name; }

    // Each scenario goes to a file of its own, so that the library sees the change at once.
    void Scenario(const std::string& utf8)
    {
        const std::wstring path = Path(L"scenario" + std::to_wstring(++m_scenarios) + L".ini");
        std::ofstream(path.c_str(), std::ios::binary) << utf8;
        SetEnvironmentVariableW(L"RASSIM_SCENARIO", path.c_str());
    }
    void Command(const std::string& line)
    {
        std::ofstream(Path(L"commands.txt").c_str(), std::ios::binary | std::ios::app) << line << "\n";
    }
    std::vector<std::string> LogLines() const
    {
        std::ifstream in(Path(L"calls.log").c_str(), std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        return lines;
    }
    std::string FileText(const std::wstring& name) const
    {
        std::ifstream in(Path(name).c_str(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Log lines that contain every one of the given pieces.
    std::vector<std::string> LogWith(std::initializer_list<std::string> pieces) const
    {
        std::vector<std::string> out;
        for (const std::string& line : LogLines()) {
            bool all = true;
            for (const std::string& piece : pieces)
                all = all && line.find(piece) != std::string::npos;
            if (all)
                out.push_back(line);
        }
        return out;
    }

private:
    static int& Counter()
    {
        static int counter = 0;
        return counter;
    }
    std::wstring m_dir;
    int m_scenarios = 0;
};

} // namespace sim::rasapi32::test
