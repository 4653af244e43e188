// The coordinator binding: one procedure variable, bound once under a lock.
#include "data/access/mtscall.h"

#include "core/exception.h"

#include <mutex>

namespace data {

TDtcResult DtcNotLinked(char*, char*, const TDtcGuid*, uint32_t, void*, void**)
{
    throw core::Exception(u"Function is not linked");
}

std::atomic<TDtcGetTransactionManagerEx> DtcGetTransactionManagerEx{DtcNotLinked};

namespace {

std::mutex g_lock;
void* g_module = nullptr;
bool g_loaded = false;

void FreeLocked()
{
    if (!g_loaded)
        return;
    DtcGetTransactionManagerEx.store(DtcNotLinked);
    if (g_module)
        detail::CloseDtcModule(g_module);
    g_module = nullptr;
    g_loaded = false;
}

} // namespace

void LoadDtcLibrary()
{
    std::lock_guard lock(g_lock);
    if (g_loaded)
        return;
    void* module = detail::OpenDtcModule();
    if (!module)
        throw core::Exception(u"Can not find xolehlp.dll");
    g_module = module;
    if (TDtcGetTransactionManagerEx entry = detail::DtcEntryPointOf(module))
        DtcGetTransactionManagerEx.store(entry);
    g_loaded = true;
}

void FreeDtcLibrary()
{
    std::lock_guard lock(g_lock);
    FreeLocked();
}

bool DtcLibraryLoaded()
{
    std::lock_guard lock(g_lock);
    return g_loaded;
}

void SetDtcEntryPoint(TDtcGetTransactionManagerEx EntryPoint)
{
    std::lock_guard lock(g_lock);
    FreeLocked();
    if (!EntryPoint)
        return;
    DtcGetTransactionManagerEx.store(EntryPoint);
    g_loaded = true;
}

} // namespace data
