// Code page 936 through the core's conversion, named explicitly: the service's replies are in 936
// whatever the system's own ANSI code page is.
#include "sim/service/text936.h"

#include "core/codepage.h"

namespace sim::service {

std::string ToCodePage936(core::StringView text) { return core::ToAnsi(text, 936); }

} // namespace sim::service
