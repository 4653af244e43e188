// A monitor tool stand-in for tests: a listener on an ephemeral loopback port that accepts
// connections and keeps the bytes of each, and a decoder of the monitor stream written from its
// byte format (not from the library's readers).
#pragma once

#ifdef _WIN32
#include "core/win32.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace monitortest {

class LoopbackListener {
public:
#ifdef _WIN32
    using Socket = SOCKET;
    static constexpr Socket None = INVALID_SOCKET;
    static void CloseSocket(Socket s) { ::closesocket(s); }
#else
    using Socket = int;
    static constexpr Socket None = -1;
    static void CloseSocket(Socket s) { ::close(s); }
#endif

    LoopbackListener()
    {
#ifdef _WIN32
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
#endif
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        at.sin_port = 0;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&at), sizeof at);
        ::listen(m_listen, 8);
        socklen_t size = sizeof at;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&at), &size);
        m_port = ntohs(at.sin_port);
        m_thread = std::thread([this] { Run(); });
    }

    ~LoopbackListener()
    {
        m_stop = true;
        m_thread.join();
        CloseSocket(m_listen);
#ifdef _WIN32
        ::WSACleanup();
#endif
    }

    uint16_t Port() const { return m_port; }

    // The bytes received so far on each connection, in the order accepted.
    std::vector<std::string> Connections()
    {
        std::lock_guard lock(m_lock);
        return m_received;
    }

    // Waits until done(connections) holds; false after five seconds.
    template<class Pred>
    bool WaitFor(const Pred& done)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done(Connections())) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Closes the accepted connections, as a tool that goes away does.
    void DropConnections() { m_drop = true; }
    // Milliseconds to pause after each read: a slow tool.
    void SetReadDelay(int ms) { m_delay = ms; }

private:
    void Run()
    {
        std::vector<std::pair<Socket, size_t>> open;  // socket, index into m_received
        while (!m_stop) {
            if (m_drop.exchange(false)) {
                for (auto& c : open)
                    CloseSocket(c.first);
                open.clear();
            }
            fd_set read;
            FD_ZERO(&read);
            FD_SET(m_listen, &read);
            Socket highest = m_listen;
            for (auto& c : open) {
                FD_SET(c.first, &read);
                highest = std::max(highest, c.first);
            }
            timeval tv{0, 5000};
            if (::select(int(highest + 1), &read, nullptr, nullptr, &tv) <= 0)
                continue;
            if (FD_ISSET(m_listen, &read)) {
                Socket s = ::accept(m_listen, nullptr, nullptr);
                if (s != None) {
                    std::lock_guard lock(m_lock);
                    m_received.emplace_back();
                    open.emplace_back(s, m_received.size() - 1);
                }
            }
            for (size_t i = 0; i < open.size();) {
                if (!FD_ISSET(open[i].first, &read)) {
                    ++i;
                    continue;
                }
                char buffer[4096];
                int n = int(::recv(open[i].first, buffer, sizeof buffer, 0));
                if (n <= 0) {
                    CloseSocket(open[i].first);
                    open.erase(open.begin() + long(i));
                    continue;
                }
                {
                    std::lock_guard lock(m_lock);
                    m_received[open[i].second].append(buffer, size_t(n));
                }
                if (m_delay > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(m_delay.load()));
                ++i;
            }
        }
        for (auto& c : open)
            CloseSocket(c.first);
    }

    Socket m_listen = None;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_drop = false;
    std::atomic<int> m_delay = 0;
    std::mutex m_lock;
    std::vector<std::string> m_received;  // guarded by m_lock
    std::thread m_thread;
};

// One decoded message: its type and its fields in order, integers in decimal and texts quoted.
struct Decoded {
    int32_t type = 0;
    std::vector<std::string> fields;
};

// Decodes a whole stream by the message table. A message cut off at the end is not returned;
// `complete` says whether the stream ended on a message boundary.
inline std::vector<Decoded> Decode(const std::string& bytes, bool* complete = nullptr)
{
    size_t at = 0;
    bool ok = true;
    auto integer = [&](int32_t& value) {
        if (bytes.size() - at < 4)
            return ok = false;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | uint8_t(bytes[at++]);
        value = int32_t(v);
        return true;
    };
    std::vector<Decoded> out;
    while (at < bytes.size()) {
        Decoded d;
        if (!integer(d.type))
            break;
        if (d.type == 6)
            continue;  // probe
        auto I = [&] {
            int32_t v = 0;
            if (integer(v))
                d.fields.push_back(std::to_string(v));
            return v;
        };
        auto T = [&] {
            int32_t n = 0;
            if (!integer(n) || n < 0 || bytes.size() - at < size_t(n)) {
                ok = false;
                return;
            }
            d.fields.push_back("'" + bytes.substr(at, size_t(n)) + "'");
            at += size_t(n);
        };
        auto params = [&] {
            int32_t count = I();
            for (int32_t i = 0; i < count && ok; ++i) {
                T(); T(); T(); T();
            }
        };
        I(); I(); T();  // ProcessId, EventType, Description
        switch (d.type) {
        case 1: break;
        case 2: T(); break;
        case 4: {
            I(); I(); I(); T(); I(); T(); I(); T(); I(); T(); T();
            params();
            int32_t count = I();
            for (int32_t i = 0; i < count && ok; ++i)
                T();
            break;
        }
        case 5: I(); I(); I(); T(); params(); I(); break;
        default: ok = false;
        }
        if (!ok)
            break;
        out.push_back(std::move(d));
    }
    if (complete)
        *complete = ok && at == bytes.size();
    return out;
}

} // namespace monitortest
