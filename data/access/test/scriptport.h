// The system's sockets with a few outcomes scripted for tests of the monitor's sender: refused
// connects, and sends held at a gate until the test opens it.
#pragma once

#include "data/access/socketpacker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace monitortest {

class TScriptPort : public data::TSocketPort {
public:
    int Startup(uint16_t& Version) override { return System().Startup(Version); }
    Handle Create() override { return System().Create(); }
    bool Resolve(const std::string& Host, uint32_t& Address) override { return System().Resolve(Host, Address); }
    bool Connect(Handle Socket, uint32_t Address, uint16_t Port) override
    {
        ++connects;
        return !refuse && System().Connect(Socket, Address, Port);
    }
    bool SetSendTimeout(Handle Socket, uint32_t Milliseconds) override
    {
        return System().SetSendTimeout(Socket, Milliseconds);
    }
    int Send(Handle Socket, const char* Data, int Size) override
    {
        {
            std::unique_lock lock(m_lock);
            if (m_closed) {
                waiting = true;
                m_opened.wait(lock, [this] { return !m_closed; });
            }
        }
        return System().Send(Socket, Data, Size);
    }
    void Close(Handle Socket) override { System().Close(Socket); }
    int LastError() override { return refuse ? 111 : System().LastError(); }

    // Holds every send from now on until OpenGate.
    void CloseGate()
    {
        std::lock_guard lock(m_lock);
        m_closed = true;
    }
    void OpenGate()
    {
        std::lock_guard lock(m_lock);
        m_closed = false;
        m_opened.notify_all();
    }

    std::atomic<bool> refuse = false;
    std::atomic<int> connects = 0;
    std::atomic<bool> waiting = false;  // a send has been held at the gate

private:
    std::mutex m_lock;
    std::condition_variable m_opened;
    bool m_closed = false;  // guarded by m_lock
};

} // namespace monitortest
