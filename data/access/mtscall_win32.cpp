// The coordinator's support library as Windows provides it.
#include "data/access/mtscall.h"

#include "core/win32.h"

namespace data::detail {

void* OpenDtcModule() { return LoadLibraryW(L"xolehlp.dll"); }

TDtcGetTransactionManagerEx DtcEntryPointOf(void* Module)
{
    return reinterpret_cast<TDtcGetTransactionManagerEx>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Module), "DtcGetTransactionManagerEx")));
}

void CloseDtcModule(void* Module) { FreeLibrary(static_cast<HMODULE>(Module)); }

} // namespace data::detail
