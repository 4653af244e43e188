// Named kernel objects of the system-utility family: waitable objects with the platform's wait
// results, the named mutex, critical sections, and the process's directory of named shared memory
// blocks (one mapping per name, reference-counted, so that every module of the process that opens a
// name gets the same address).
#pragma once

#include "core/string.h"
#include "core/sync.h"

#include <atomic>
#include <cstdint>

namespace support {

// An infinite time-out (the platform's INFINITE, which is a macro where its headers come first).
inline constexpr uint32_t kSysInfinite = 0xFFFFFFFFu;

enum TSysWaitResult { wrAbandoned, wrError, wrIoCompletion, wrSignaled, wrTimeout };

// 0 signalled, 0x80 abandoned, 0xC0 I/O completion, 0x102 time-out; anything else an error.
TSysWaitResult WaitResultOf(uint32_t platformResult);

// Access rights of a shared block's view (the platform's FILE_MAP_* values).
inline constexpr uint32_t kMapCopy = 0x0001;
inline constexpr uint32_t kMapWrite = 0x0002;
inline constexpr uint32_t kMapRead = 0x0004;
inline constexpr uint32_t kMapAllAccess = 0xF001F;
// The platform's MUTEX_ALL_ACCESS and SYNCHRONIZE.
inline constexpr uint32_t kMutexAllAccess = 0x1F0001;
inline constexpr uint32_t kSynchronize = 0x100000;

class TSysDispatcherObject {
public:
    // Attach: adopts a handle (closed with the object).
    static TSysDispatcherObject* Attach(std::uintptr_t handle);
    virtual ~TSysDispatcherObject();
    TSysDispatcherObject(const TSysDispatcherObject&) = delete;
    TSysDispatcherObject& operator=(const TSysDispatcherObject&) = delete;

    bool Existed() const { return FExisted; }
    std::uintptr_t Handle() const { return FHandle; }
    const core::String& Name() const { return FName; }

    TSysWaitResult WaitFor(uint32_t timeoutMs);
    TSysWaitResult WaitForever() { return WaitFor(kSysInfinite); }
    TSysWaitResult WaitAlertable(uint32_t timeoutMs);
    TSysWaitResult SignalAndWait(TSysDispatcherObject& other, uint32_t timeoutMs, bool alertable);

protected:
    TSysDispatcherObject() = default;

    bool FExisted = false;
    std::uintptr_t FHandle = 0;
    core::String FName;
};

class TSysMutex : public TSysDispatcherObject {
public:
    // Create: creates or opens the named mutex; ESysMutexError "Failed to create mutex".
    // `security` is the platform's security attributes (nullptr: the default).
    TSysMutex(const void* security, bool initiallyOwned, const core::String& name);
    // Open: an existing mutex; ESysMutexError "Failed to open mutex".
    static TSysMutex* Open(uint32_t access, bool inheritable, const core::String& name);

    bool Acquire(uint32_t timeoutMs = kSysInfinite) { return WaitFor(timeoutMs) == wrSignaled; }
    bool Release();

private:
    TSysMutex() = default;
};

class TSysCriticalSection {
public:
    TSysCriticalSection() = default;
    TSysCriticalSection(const TSysCriticalSection&) = delete;
    TSysCriticalSection& operator=(const TSysCriticalSection&) = delete;

    void Enter() { FCriticalSection.Enter(); }
    void Leave() { FCriticalSection.Leave(); }

    // Installs a section into an empty reference without a race (a section made by a thread that
    // lost the race is freed), then enters the installed one.
    static void CreateAndEnter(std::atomic<TSysCriticalSection*>& section);

private:
    core::CriticalSection FCriticalSection;
};

// A critical section held through a reference count: taking a reference enters it, dropping one
// leaves it. The counts never free the object (its owner does).
class TSysIntfCriticalSection {
public:
    int _AddRef() { FCriticalSection.Enter(); return 0; }
    int _Release() { FCriticalSection.Leave(); return 0; }

private:
    TSysCriticalSection FCriticalSection;
};

// Obtains a named shared block of `size` bytes: 0 when this call created it, 183 when it existed
// (in this process's directory or in the system). ESharedMemError for an invalid name on old
// systems and for a block that would be created empty; the operating-system error (EOSError) when
// the system refuses to create or map it.
uint32_t OpenSharedBlock(void*& address, const core::String& name, uint32_t size, uint32_t access);
// Gives up one reference; the block is unmapped with its last. A null address succeeds; an address
// the directory does not know fails and stays as it is. CloseSharedBlock is the same operation.
bool ReleaseSharedBlock(void*& address);
bool CloseSharedBlock(void*& address);
// The references this process holds on a block (0 when the address is none of them).
int SharedBlockReferences(const void* address);
// At the family's start-up: the directory may make its lock again (after an earlier finalization).
void InitializeSharedBlocks();
// At the family's finalization: no lock is created afterwards; blocks still held stay mapped.
void FinalizeSharedBlocks();

void ZeroMemoryBlock(void* address, size_t size);
// Unloads the library when the handle is not 0, then clears it.
void FreeModuleHandle(std::uintptr_t& module);

} // namespace support
