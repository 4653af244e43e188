// The host has no service control manager and no network API: every function stays on its stub.
#include "data/access/netmanager.h"

namespace data::detail {

void BindNetFunctions(TNetFunctions&) {}
void UnbindNetFunctions() {}

} // namespace data::detail
