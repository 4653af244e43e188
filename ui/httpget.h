// A plain HTTP/1.0 GET over a socket, for the text-only web pane: connect and read with time-outs,
// at most MaxReplyBytes of reply.
#pragma once

#include "core/string.h"
#include "ui/httppage.h"

#include <string>

namespace ui {

constexpr size_t MaxReplyBytes = 4u << 20;

// The raw reply in `reply`; false with a reason in `error` when the host cannot be reached, the
// connection fails or the time-out passes first. Blocks the calling thread.
bool HttpGet(const HttpUrl& url, unsigned timeoutMs, std::string& reply, core::String& error);

} // namespace ui
