// A service control manager and network list in memory, put in place of the bound system functions
// for the life of a FakeNet: computers with their services, a scripted network list, and a log of the
// calls (machine names, start arguments, handles closed). Safe to call from the search threads.
#pragma once

#include "data/access/netmanager.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace data::testing {

struct FakeService {
    std::string Name;
    std::string Display;
    uint32_t State = 1;
};

class FakeNet {
public:
    FakeNet();
    ~FakeNet();
    FakeNet(const FakeNet&) = delete;
    FakeNet& operator=(const FakeNet&) = delete;

    static FakeNet& Current();

    std::mutex Lock;
    // Computers by the machine name the manager is opened with; "" is the local computer.
    std::map<std::string, std::vector<FakeService>> Computers;
    // NetServerEnum's answer and its computers.
    uint32_t NetResult = 0;
    std::vector<std::u16string> Network;
    // While set, enumerating services waits until it is cleared.
    bool Blocked = false;
    std::condition_variable Unblocked;

    // The log.
    std::vector<std::string> Machines;           // machine names opened ("" for the local computer)
    std::vector<std::string> Closed;             // "service" / "manager", in closing order
    std::vector<std::vector<std::string>> Starts;
    std::vector<uint32_t> ManagerAccess, ServiceAccess;
    std::atomic<int> NetEnumCalls{0};
    std::atomic<int> BuffersFreed{0};
    std::atomic<int> EnumsReturned{0};

    void Unblock();

private:
    TNetFunctions FTable;
};

} // namespace data::testing
