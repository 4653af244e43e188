// Start-up and shut-down of the system-utility family: each unit registers its version record under
// the program's module and does its own start-up work, in a fixed order; shut-down runs in reverse.
#pragma once

#include "support/unitversion.h"

#include <span>

namespace support {

struct SysUnit {
    const char16_t* name;
    const TUnitVersionInfo* record;
    void (*initialize)();
    void (*finalize)();
    bool finalizesRegistry = false;  // the registry unit: finalizes the registry instead of unregistering
};

// The family's units in start-up order.
std::span<const SysUnit> SysUnits();

// Runs the units' start-ups in order; when one throws, those already started are shut down, last
// first, and the exception propagates. A second call without FinalizeSysUnits does nothing.
void InitializeSysUnits();
// Shuts the started units down in reverse order; never throws.
void FinalizeSysUnits() noexcept;

} // namespace support
