// Kernel objects of the system-utility family: the host stand-in. Named objects live in one table
// of this process; a name finds the object while any handle to it is open, as on Windows.
#include "support/sysos.h"

#include "core/sync.h"

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace support::sysos {

namespace {

struct Object {
    bool isMutex = false;
    core::String name;
    std::shared_ptr<core::Mutex> mutex;
    std::shared_ptr<std::vector<unsigned char>> memory;
};

struct Table {
    std::mutex lock;
    std::map<Handle, Object> handles;
    std::multimap<void*, std::shared_ptr<std::vector<unsigned char>>> views;
    Handle next = 0x100;
};

Table& Objects()
{
    static Table* table = new Table();  // lives to the end of the process
    return *table;
}

const Object* Find(Table& t, const core::String& name, bool isMutex)
{
    if (name.empty())
        return nullptr;
    for (auto& [handle, object] : t.handles)
        if (object.name == name && object.isMutex == isMutex)
            return &object;
    return nullptr;
}

Handle Add(Table& t, Object object)
{
    const Handle h = t.next++;
    t.handles.emplace(h, std::move(object));
    return h;
}

uint32_t RawOf(core::WaitResult result)
{
    switch (result) {
    case core::WaitResult::Signaled: return kWaitObject0;
    case core::WaitResult::Abandoned: return kWaitAbandoned;
    case core::WaitResult::Timeout: return kWaitTimeout;
    default: return kWaitFailed;
    }
}

std::shared_ptr<core::Mutex> MutexOf(Handle h)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    auto it = t.handles.find(h);
    return it == t.handles.end() ? nullptr : it->second.mutex;
}

} // namespace

Handle CreateNamedMutex(const void*, bool initiallyOwned, const core::String& name, bool& existed)
{
    Table& t = Objects();
    std::shared_ptr<core::Mutex> mutex;
    {
        std::lock_guard lock(t.lock);
        const Object* found = Find(t, name, true);
        existed = found != nullptr;
        mutex = existed ? found->mutex : std::make_shared<core::Mutex>(false);
    }
    if (initiallyOwned)
        mutex->Acquire();
    std::lock_guard lock(t.lock);
    errno = existed ? int(kErrorAlreadyExists) : 0;
    return Add(t, Object{true, name, mutex, nullptr});
}

Handle OpenNamedMutex(uint32_t, bool, const core::String& name)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    const Object* found = Find(t, name, true);
    if (!found) {
        errno = ENOENT;
        return 0;
    }
    return Add(t, Object{true, name, found->mutex, nullptr});
}

bool ReleaseMutexHandle(Handle h)
{
    auto mutex = MutexOf(h);
    return mutex && mutex->Release();
}

uint32_t WaitHandle(Handle h, uint32_t timeoutMs, bool)
{
    auto mutex = MutexOf(h);
    return mutex ? RawOf(mutex->WaitFor(timeoutMs)) : kWaitFailed;
}

uint32_t SignalAndWaitHandles(Handle toSignal, Handle toWait, uint32_t timeoutMs, bool alertable)
{
    if (!ReleaseMutexHandle(toSignal))
        return kWaitFailed;
    return WaitHandle(toWait, timeoutMs, alertable);
}

bool CloseObject(Handle h)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    return t.handles.erase(h) != 0;
}

Handle OpenMapping(uint32_t, const core::String& name)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    const Object* found = Find(t, name, false);
    if (!found) {
        errno = ENOENT;
        return 0;
    }
    return Add(t, Object{false, name, nullptr, found->memory});
}

Handle CreateMapping(uint32_t size, bool, const core::String& name, bool& existed)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    const Object* found = Find(t, name, false);
    existed = found != nullptr;
    auto memory = existed ? found->memory : std::make_shared<std::vector<unsigned char>>(size);
    errno = existed ? int(kErrorAlreadyExists) : 0;
    return Add(t, Object{false, name, nullptr, memory});
}

void* MapView(Handle mapping, uint32_t, size_t size)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    auto it = t.handles.find(mapping);
    if (it == t.handles.end() || !it->second.memory || size > it->second.memory->size()) {
        errno = EINVAL;
        return nullptr;
    }
    // Every view of one block shows the same bytes; a view keeps them alive after the handle closes.
    void* address = it->second.memory->data();
    t.views.emplace(address, it->second.memory);
    return address;
}

bool UnmapView(void* address)
{
    Table& t = Objects();
    std::lock_guard lock(t.lock);
    auto it = t.views.find(address);
    if (it == t.views.end()) {
        errno = EINVAL;
        return false;
    }
    t.views.erase(it);
    return true;
}

uint32_t CurrentProcessId() { return uint32_t(getpid()); }

std::uintptr_t ProgramModule() { return 0x400000; }

bool ModuleLoaded(std::uintptr_t module) { return module != 0; }

core::String LoadResourceText(std::uintptr_t, uint32_t) { return {}; }

void FreeLibraryModule(std::uintptr_t) {}

} // namespace support::sysos
