// The service program as ./run starts it: a child process on free ports with the sample data,
// answering over loopback and stopping cleanly on SIGTERM and on a shutdown request.
#include "sim/service/httplib_include.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

extern char** environ;

namespace {

// A running service program; killed and reaped by the destructor when a test fails half-way.
class Program {
public:
    Program() {
        int pipe_fds[2];
        if (pipe(pipe_fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
        const char* argv[] = {SERVICE_PROGRAM, "--data", SERVICE_SAMPLE_DATA, "--app-port", "0",
                              "--content-port", "0", "--control-port", "0", nullptr};
        if (posix_spawn(&m_pid, SERVICE_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(pipe_fds[1]);
        m_out = pipe_fds[0];
    }
    ~Program() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
    }

    // One line of standard output, waiting at most the timeout.
    std::string ReadLine(std::chrono::milliseconds timeout) {
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char c;
            if (read(m_out, &c, 1) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return line;
    }

    // The exit code, or -1 when the program has not ended within the timeout.
    int Wait(std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

struct Ports {
    int app = 0, content = 0, control = 0;
};

bool ParseReady(const std::string& line, Ports& ports) {
    return std::sscanf(line.c_str(), "ready app=%d content=%d control=%d", &ports.app, &ports.content,
                       &ports.control) == 3;
}

// Waits until the host answers on the port (a parallel run may keep the program's threads from
// their first accept for a while); false when it has not within the timeout.
bool WaitUntilListening(const char* host, int port, std::chrono::seconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        httplib::Client client(host, port);
        client.set_connection_timeout(1, 0);
        client.set_read_timeout(5, 0);
        if (auto res = client.Get("/zirovadi/useradmin/netcheck.php"); res && res->status == 200) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(ServiceProgram, ServesTheSampleDataOnBothHostsAndStopsOnShutdownRequest) {
    Program program;
    ASSERT_GT(program.Pid(), 0);
    Ports ports;
    std::string ready = program.ReadLine(std::chrono::seconds(20));
    ASSERT_TRUE(ParseReady(ready, ports)) << ready;

    for (const char* host : {"127.0.0.1", "127.0.0.2"}) {
        ASSERT_TRUE(WaitUntilListening(host, ports.app, std::chrono::seconds(30))) << host;
        httplib::Client client(host, ports.app);
        client.set_read_timeout(20, 0);
        auto res = client.Post("/zirovadi/useradmin/usercheck.php", "UserID=demo&Upassword=demo123",
                               "application/x-www-form-urlencoded");
        ASSERT_TRUE(res) << host;
        EXPECT_EQ(res->status, 200);
        EXPECT_NE(res->body, "error");
        auto list = client.Get("/zirovadi/useradmin/vpnlist.php");
        ASSERT_TRUE(list);
        EXPECT_NE(list->body.find("=127.0.0.11,98%,1\r\n"), std::string::npos);
    }

    httplib::Client control("127.0.0.1", ports.control);
    control.set_read_timeout(20, 0);
    auto res = control.Post("/shutdown", "", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_EQ(program.Wait(std::chrono::seconds(10)), 0);
    EXPECT_EQ(program.ReadLine(std::chrono::seconds(2)), "stopped");
}

TEST(ServiceProgram, StopsCleanlyOnSigterm) {
    Program program;
    ASSERT_GT(program.Pid(), 0);
    Ports ports;
    ASSERT_TRUE(ParseReady(program.ReadLine(std::chrono::seconds(20)), ports));
    kill(program.Pid(), SIGTERM);
    EXPECT_EQ(program.Wait(std::chrono::seconds(10)), 0);
}

} // namespace
