// Texts of the result codes the simulated remote-access library answers with.
#pragma once

#include "core/string.h"

#include <cstdint>

namespace sim::rasapi32 {

// The text of a code: a text of its own for every code the library gives out itself, a general
// text for the other remote-access codes (600 to 870, such as a scenario may name); empty for
// codes it knows nothing of.
core::String ErrorText(uint32_t code);

} // namespace sim::rasapi32
