// The in-memory service control manager of the tests.
#include "data/access/test/fakenet.h"

#include <cstring>
#include <memory>

namespace data::testing {

namespace {

constexpr uint32_t kNoService = 1060;   // ERROR_SERVICE_DOES_NOT_EXIST
constexpr uint32_t kMoreData = 234;     // ERROR_MORE_DATA
constexpr uint32_t kNoMachine = 1722;   // RPC_S_SERVER_UNAVAILABLE

FakeNet* g_current = nullptr;
// Per thread, as the system keeps it; plain data, so no destructor runs at thread end.
thread_local uint32_t t_last_error = 0;

// A handle names its computer and, for a service, the service's index.
struct FakeHandle {
    std::string Machine;
    int Service = -1;
};

TSCHandle OpenManager(const char* Machine, const char*, uint32_t Access)
{
    FakeNet& net = FakeNet::Current();
    std::lock_guard lock(net.Lock);
    const std::string machine = Machine ? Machine : "";
    net.Machines.push_back(machine);
    net.ManagerAccess.push_back(Access);
    if (!net.Computers.count(machine)) {
        t_last_error = kNoMachine;
        return nullptr;
    }
    return new FakeHandle{machine};
}

int32_t CloseHandle(TSCHandle Handle)
{
    auto* handle = static_cast<FakeHandle*>(Handle);
    FakeNet& net = FakeNet::Current();
    {
        std::lock_guard lock(net.Lock);
        net.Closed.push_back(handle->Service >= 0 ? "service" : "manager");
    }
    delete handle;
    return 1;
}

TSCHandle OpenService(TSCHandle Manager, const char* Name, uint32_t Access)
{
    auto* manager = static_cast<FakeHandle*>(Manager);
    FakeNet& net = FakeNet::Current();
    std::lock_guard lock(net.Lock);
    net.ServiceAccess.push_back(Access);
    const auto& services = net.Computers[manager->Machine];
    for (size_t i = 0; i < services.size(); ++i) {
        if (services[i].Name == Name)
            return new FakeHandle{manager->Machine, int(i)};
    }
    t_last_error = kNoService;
    return nullptr;
}

int32_t EnumServices(TSCHandle Manager, uint32_t, uint32_t, TEnumServiceStatusA* Buffer, uint32_t Size,
                     uint32_t* Needed, uint32_t* Returned, uint32_t*)
{
    auto* manager = static_cast<FakeHandle*>(Manager);
    FakeNet& net = FakeNet::Current();
    std::unique_lock lock(net.Lock);
    net.Unblocked.wait(lock, [&] { return !net.Blocked; });
    const auto& services = net.Computers[manager->Machine];
    // The records first, then their texts, as the system lays out the buffer.
    size_t size = services.size() * sizeof(TEnumServiceStatusA);
    for (const FakeService& service : services)
        size += service.Name.size() + service.Display.size() + 2;
    *Needed = uint32_t(size);
    *Returned = 0;
    if (Size < size) {
        t_last_error = kMoreData;
        return 0;
    }
    char* text = reinterpret_cast<char*>(Buffer + services.size());
    for (size_t i = 0; i < services.size(); ++i) {
        Buffer[i] = {};
        Buffer[i].ServiceName = text;
        std::memcpy(text, services[i].Name.c_str(), services[i].Name.size() + 1);
        text += services[i].Name.size() + 1;
        Buffer[i].DisplayName = text;
        std::memcpy(text, services[i].Display.c_str(), services[i].Display.size() + 1);
        text += services[i].Display.size() + 1;
        Buffer[i].ServiceStatus.CurrentState = services[i].State;
    }
    *Returned = uint32_t(services.size());
    ++net.EnumsReturned;
    return 1;
}

int32_t QueryStatus(TSCHandle Service, TServiceStatusRec* Status)
{
    auto* service = static_cast<FakeHandle*>(Service);
    FakeNet& net = FakeNet::Current();
    std::lock_guard lock(net.Lock);
    *Status = {};
    Status->CurrentState = net.Computers[service->Machine][size_t(service->Service)].State;
    return 1;
}

int32_t StartService(TSCHandle Service, uint32_t Count, const char** Args)
{
    auto* service = static_cast<FakeHandle*>(Service);
    FakeNet& net = FakeNet::Current();
    std::lock_guard lock(net.Lock);
    net.Starts.emplace_back(Args, Args + Count);
    net.Computers[service->Machine][size_t(service->Service)].State = 4;
    return 1;
}

int32_t Control(TSCHandle Service, uint32_t, TServiceStatusRec* Status)
{
    auto* service = static_cast<FakeHandle*>(Service);
    FakeNet& net = FakeNet::Current();
    std::lock_guard lock(net.Lock);
    net.Computers[service->Machine][size_t(service->Service)].State = 1;
    *Status = {};
    Status->CurrentState = 1;
    return 1;
}

uint32_t NetEnum(const char16_t*, uint32_t, uint8_t** Buffer, uint32_t, uint32_t* Read, uint32_t* Total,
                 uint32_t, const char16_t*, uint32_t*)
{
    FakeNet& net = FakeNet::Current();
    ++net.NetEnumCalls;
    std::lock_guard lock(net.Lock);
    *Buffer = nullptr;
    *Read = *Total = 0;
    if (net.NetResult != 0)
        return net.NetResult;
    size_t size = net.Network.size() * sizeof(TServerInfo100);
    for (const auto& name : net.Network)
        size += (name.size() + 1) * sizeof(char16_t);
    auto* block = static_cast<uint8_t*>(operator new(size));
    auto* entries = reinterpret_cast<TServerInfo100*>(block);
    auto* text = reinterpret_cast<char16_t*>(block + net.Network.size() * sizeof(TServerInfo100));
    for (size_t i = 0; i < net.Network.size(); ++i) {
        entries[i] = {500, text};
        std::memcpy(text, net.Network[i].c_str(), (net.Network[i].size() + 1) * sizeof(char16_t));
        text += net.Network[i].size() + 1;
    }
    *Buffer = block;
    *Read = *Total = uint32_t(net.Network.size());
    return 0;
}

uint32_t FreeBuffer(void* Buffer)
{
    operator delete(Buffer);
    ++FakeNet::Current().BuffersFreed;
    return 0;
}

uint32_t LastError() { return t_last_error; }

} // namespace

FakeNet::FakeNet()
    : FTable{OpenManager, CloseHandle, OpenService, EnumServices, QueryStatus, StartService, Control, NetEnum,
             FreeBuffer, LastError}
{
    g_current = this;
    SetNetFunctions(&FTable);
}

FakeNet::~FakeNet()
{
    SetNetFunctions(nullptr);
    g_current = nullptr;
}

FakeNet& FakeNet::Current() { return *g_current; }

void FakeNet::Unblock()
{
    {
        std::lock_guard lock(Lock);
        Blocked = false;
    }
    Unblocked.notify_all();
}

} // namespace data::testing
