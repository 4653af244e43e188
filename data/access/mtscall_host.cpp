// The host has no distributed transaction coordinator: binding always fails as on a machine without it.
#include "data/access/mtscall.h"

namespace data::detail {

void* OpenDtcModule() { return nullptr; }
TDtcGetTransactionManagerEx DtcEntryPointOf(void*) { return nullptr; }
void CloseDtcModule(void*) {}

} // namespace data::detail
