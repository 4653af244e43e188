// HTTP GET on the host build: the host build carries no HTTP client, so every fetch fails and gives
// the empty text that any failure gives on Windows.
// FIXME: a socket client here would let host tests of callers fetch from the substitute service.
#include "support/httpget.h"

namespace support {

core::String HttpGetText(const core::String&, const HttpGetOptions&) { return core::String(); }

} // namespace support
