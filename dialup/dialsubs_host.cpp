// Start-up of the dial-up layer in the host build: no system to ask, the kind stays Vista.
#include "dialup/dialsubs.h"

namespace dialup {

void InitialiseDialup() { SetRasOSKind(OSVista); }
void FinaliseDialup() {}

} // namespace dialup
