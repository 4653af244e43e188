// Named sync objects and the shared-block directory of the system-utility family.
#include "support/syssync.h"

#include "support/syserror.h"
#include "support/sysos.h"
#include "support/winversion.h"

#include <cstring>

namespace support {

TSysWaitResult WaitResultOf(uint32_t r)
{
    switch (r) {
    case sysos::kWaitObject0: return wrSignaled;
    case sysos::kWaitAbandoned: return wrAbandoned;
    case sysos::kWaitIoCompletion: return wrIoCompletion;
    case sysos::kWaitTimeout: return wrTimeout;
    default: return wrError;
    }
}

// ---- Dispatcher objects ----

TSysDispatcherObject* TSysDispatcherObject::Attach(std::uintptr_t handle)
{
    auto* object = new TSysDispatcherObject();
    object->FExisted = true;
    object->FHandle = handle;
    return object;
}

TSysDispatcherObject::~TSysDispatcherObject() { sysos::CloseObject(FHandle); }

TSysWaitResult TSysDispatcherObject::WaitFor(uint32_t timeoutMs)
{
    return WaitResultOf(sysos::WaitHandle(FHandle, timeoutMs, false));
}

TSysWaitResult TSysDispatcherObject::WaitAlertable(uint32_t timeoutMs)
{
    return WaitResultOf(sysos::WaitHandle(FHandle, timeoutMs, true));
}

TSysWaitResult TSysDispatcherObject::SignalAndWait(TSysDispatcherObject& other, uint32_t timeoutMs, bool alertable)
{
    return WaitResultOf(sysos::SignalAndWaitHandles(other.FHandle, FHandle, timeoutMs, alertable));
}

TSysMutex::TSysMutex(const void* security, bool initiallyOwned, const core::String& name)
{
    FName = name;
    bool existed = false;
    FHandle = sysos::CreateNamedMutex(security, initiallyOwned, name, existed);
    if (!FHandle)
        throw ESysMutexError(u"Failed to create mutex");
    FExisted = existed;
}

TSysMutex* TSysMutex::Open(uint32_t access, bool inheritable, const core::String& name)
{
    const std::uintptr_t handle = sysos::OpenNamedMutex(access, inheritable, name);
    if (!handle)
        throw ESysMutexError(u"Failed to open mutex");
    auto* mutex = new TSysMutex();
    mutex->FHandle = handle;
    mutex->FName = name;
    mutex->FExisted = true;
    return mutex;
}

bool TSysMutex::Release() { return sysos::ReleaseMutexHandle(FHandle); }

void TSysCriticalSection::CreateAndEnter(std::atomic<TSysCriticalSection*>& section)
{
    if (!section.load(std::memory_order_acquire)) {
        auto* made = new TSysCriticalSection();
        TSysCriticalSection* expected = nullptr;
        if (!section.compare_exchange_strong(expected, made, std::memory_order_acq_rel))
            delete made;
    }
    section.load(std::memory_order_acquire)->Enter();
}

// ---- Shared blocks ----

namespace {

struct TMMFHandleListItem {
    TMMFHandleListItem* Next = nullptr;
    void* Memory = nullptr;
    std::uintptr_t Handle = 0;
    core::String Name;
    int References = 0;
};

TMMFHandleListItem* g_list = nullptr;  // newest first; changed only under the lock
std::atomic<TSysIntfCriticalSection*> g_list_lock{nullptr};
std::atomic<bool> g_list_finalized{false};

// Holds the list lock for a scope; the lock is made on first use unless the list is finalized.
class ListLock {
public:
    ListLock()
    {
        m_lock = g_list_lock.load(std::memory_order_acquire);
        if (!m_lock && !g_list_finalized.load(std::memory_order_acquire)) {
            auto* made = new TSysIntfCriticalSection();
            TSysIntfCriticalSection* expected = nullptr;
            if (g_list_lock.compare_exchange_strong(expected, made, std::memory_order_acq_rel))
                m_lock = made;
            else {
                delete made;
                m_lock = expected;
            }
        }
        if (m_lock)
            m_lock->_AddRef();
    }
    ~ListLock()
    {
        if (m_lock)
            m_lock->_Release();
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

private:
    TSysIntfCriticalSection* m_lock = nullptr;
};

} // namespace

uint32_t OpenSharedBlock(void*& address, const core::String& name, uint32_t size, uint32_t access)
{
    if (NT4OrOlder(CurrentVersionFacts()) && (name.empty() || name.find(u'\\') != core::String::npos))
        throw ESharedMemError(u"Invalid MMF name \"" + name + u"\"");
    ListLock lock;
    for (TMMFHandleListItem* item = g_list; item; item = item->Next)
        if (core::SameText(item->Name, name)) {
            ++item->References;
            address = item->Memory;
            return sysos::kErrorAlreadyExists;
        }

    uint32_t result = 0;
    std::uintptr_t handle = sysos::OpenMapping(access, name);
    if (handle) {
        result = sysos::kErrorAlreadyExists;
    } else {
        if (size == 0)
            throw ESharedMemError(u"The MMF named \"" + name + u"\" cannot be created empty");
        const bool copyOnWrite = CurrentVersionFacts().platform == kPlatformWindows9x && access == kMapCopy;
        bool existed = false;
        handle = sysos::CreateMapping(size, copyOnWrite, name, existed);
        if (!handle)
            throw LastOSError();
        if (existed)
            result = sysos::kErrorAlreadyExists;
    }
    void* view = sysos::MapView(handle, access, size);
    if (!view) {
        core::EOSError error = LastOSError();
        sysos::CloseObject(handle);
        throw error;
    }
    auto* item = new TMMFHandleListItem{g_list, view, handle, name, 1};
    g_list = item;
    address = view;
    return result;
}

bool ReleaseSharedBlock(void*& address)
{
    if (!address)
        return true;
    ListLock lock;
    for (TMMFHandleListItem** link = &g_list; *link; link = &(*link)->Next) {
        TMMFHandleListItem* item = *link;
        if (item->Memory != address)
            continue;
        if (item->References < 2) {
            sysos::UnmapView(item->Memory);
            sysos::CloseObject(item->Handle);
            *link = item->Next;
            delete item;
        } else {
            --item->References;
        }
        address = nullptr;
        return true;
    }
    return false;
}

bool CloseSharedBlock(void*& address) { return ReleaseSharedBlock(address); }

int SharedBlockReferences(const void* address)
{
    ListLock lock;
    for (TMMFHandleListItem* item = g_list; item; item = item->Next)
        if (item->Memory == address)
            return item->References;
    return 0;
}

void InitializeSharedBlocks() { g_list_finalized.store(false, std::memory_order_release); }

void FinalizeSharedBlocks()
{
    g_list_finalized.store(true, std::memory_order_release);
    delete g_list_lock.exchange(nullptr, std::memory_order_acq_rel);
}

void ZeroMemoryBlock(void* address, size_t size)
{
    if (address && size > 0)
        std::memset(address, 0, size);
}

void FreeModuleHandle(std::uintptr_t& module)
{
    if (module)
        sysos::FreeLibraryModule(module);
    module = 0;
}

} // namespace support
