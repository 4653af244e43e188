// UTF-16 text to the bytes of code page 936, the encoding of every reply that carries Chinese.
// Characters the code page lacks become "?" (one per UTF-16 unit, as the system converts them).
#pragma once

#include "core/string.h"

#include <string>

namespace sim::service {

std::string ToCodePage936(core::StringView text);

} // namespace sim::service
