// The unit-version registry: every unit of the system-utility family records, at start-up, which
// source file it was built from, its revision and date. Records are grouped by the module that holds
// the unit and can be listed or searched by file name. One registry serves the whole process: the
// module that makes it publishes its address in a named shared block ("ShmNPA_UnitVersioning_" and
// the process id) under a named mutex ("MutexNPA_UnitVersioning_" and the process id), and the
// modules that start later adopt it. The content is diagnostic; the client never reads it.
#pragma once

#include "core/datetime.h"
#include "core/string.h"

#include <cstdint>
#include <memory>
#include <typeinfo>
#include <vector>

namespace support {

class TSysMutex;

// A unit's constant record, with version-control keyword banners ("$URL: <path> $",
// "$Revision: <n> $", "$Date: <date> $").
struct TUnitVersionInfo {
    const char16_t* RCSfile = u"";
    const char16_t* Revision = u"";
    const char16_t* Date = u"";
    const char16_t* LogPath = u"";
    const char16_t* Extra = u"";
    void* Data = nullptr;
};

class TUnitVersion {
public:
    explicit TUnitVersion(const TUnitVersionInfo& info) : FInfo(&info) {}

    // The bare file name of the unit's source.
    core::String RCSfile() const;
    core::String Revision() const;
    core::String Date() const;
    core::String Extra() const { return core::Trim(FInfo->Extra); }
    core::String LogPath() const { return core::Trim(FInfo->LogPath); }
    void* Data() const { return FInfo->Data; }
    // The Date view as a point in time; 0 when it has no date; EConvertError for an invalid one.
    core::TDateTime DateTime() const;
    const TUnitVersionInfo* Info() const { return FInfo; }

private:
    const TUnitVersionInfo* FInfo;
};

class TUnitVersioningModule {
public:
    explicit TUnitVersioningModule(std::uintptr_t instance) : FInstance(instance) {}

    std::uintptr_t Instance() const { return FInstance; }
    int Count() const { return int(FItems.size()); }
    TUnitVersion& Items(int index) const;  // EListError outside 0..Count-1
    // Adds the record unless this very record is there already.
    void Add(const TUnitVersionInfo& info);
    int IndexOf(const core::String& rcsFile, const core::String& logPath) const;

private:
    std::uintptr_t FInstance;
    std::vector<std::unique_ptr<TUnitVersion>> FItems;
};

// Base of the providers that load records of modules from elsewhere; none exists in this system.
class TCustomUnitVersioningProvider {
public:
    virtual ~TCustomUnitVersioningProvider() = default;
    virtual void LoadModuleUnitVersioningInfo(std::uintptr_t) {}
    virtual void ReleaseModuleUnitVersioningInfo(std::uintptr_t) {}
};

class TUnitVersioning {
public:
    // Both first drop the entries of modules that are no longer loaded.
    int ModuleCount();
    int Count();
    TUnitVersioningModule& Modules(int index) const;  // EListError outside the list
    TUnitVersion& Items(int index) const;              // over all modules, in module order

    void RegisterModule(std::uintptr_t instance, const TUnitVersionInfo& info);
    // Removes the last entry of the module, then tells every provider.
    void UnregisterModule(std::uintptr_t instance);

    // A log path of "*" matches any; names and log paths ignore ASCII case.
    int IndexOf(const core::String& rcsFile, const core::String& logPath = u"*") const;
    TUnitVersion* FindUnit(const core::String& rcsFile, const core::String& logPath = u"*") const;

    template <class T>
    void RegisterProvider()
    {
        for (const auto& p : FProviders) {
            const TCustomUnitVersioningProvider& provider = *p;
            if (typeid(provider) == typeid(T))
                return;
        }
        FProviders.push_back(std::make_unique<T>());
    }
    int ProviderCount() const { return int(FProviders.size()); }
    void LoadModuleUnitVersioningInfo(std::uintptr_t instance);

private:
    void ValidateModules();

    std::vector<std::unique_ptr<TUnitVersioningModule>> FModules;
    std::vector<std::unique_ptr<TCustomUnitVersioningProvider>> FProviders;
};

// What one module holds of the process's registry. The program has one (ModuleUnitVersioning());
// tests make more to play several modules of one process.
class TUnitVersioningState {
public:
    explicit TUnitVersioningState(uint32_t processId);
    ~TUnitVersioningState();
    TUnitVersioningState(const TUnitVersioningState&) = delete;
    TUnitVersioningState& operator=(const TUnitVersioningState&) = delete;

    // The registry (made or adopted on first use); nullptr once finalized.
    TUnitVersioning* GetUnitVersioning();
    void RegisterUnitVersion(std::uintptr_t instance, const TUnitVersionInfo& info);
    void UnregisterUnitVersion(std::uintptr_t instance);
    // The registry unit's finalization: the block is cleared and closed, an owned registry freed.
    void Finalize() noexcept;
    // Makes the state usable again after Finalize (a second start-up of the units).
    void Reset();

    bool Owner() const { return m_owner; }
    bool Finalized() const { return m_finalized; }
    const core::String& MutexName() const { return m_mutex_name; }
    const core::String& BlockName() const { return m_block_name; }

private:
    core::String m_mutex_name, m_block_name;
    std::unique_ptr<TSysMutex> m_mutex;
    void* m_block = nullptr;  // holds the registry's address
    TUnitVersioning* m_registry = nullptr;
    bool m_owner = false;
    bool m_finalized = false;
};

TUnitVersioningState& ModuleUnitVersioning();
// The program module's registry entries.
void RegisterUnitVersion(std::uintptr_t instance, const TUnitVersionInfo& info);
void UnregisterUnitVersion(std::uintptr_t instance);
TUnitVersioning* GetUnitVersioning();

} // namespace support
