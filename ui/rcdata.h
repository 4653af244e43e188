// RCDATA resources of a module (PNG glyphs, shadow templates), read into memory.
#pragma once

#include "core/stream.h"
#include "core/string.h"
#include "core/win32.h"

#include <optional>
#include <string>

namespace ui {

// The bytes of the RCDATA resource of that name in module (null: the program); none when absent.
std::optional<std::string> FindRCData(HMODULE module, core::StringView name);
// The same into a stream positioned at 0; false (stream untouched) when absent.
bool LoadRCData(HMODULE module, core::StringView name, core::MemoryStream& stream);

} // namespace ui
