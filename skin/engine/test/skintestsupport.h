// Helpers of the skin engine's tests: an options document from text.
#pragma once

#include "core/inifile.h"
#include "core/stringlist.h"

#include <memory>

namespace skin::test {

inline std::unique_ptr<core::MemIniFile> OptionsText(core::StringView text, core::String fileName = {})
{
    core::StringList lines;
    lines.SetText(text);
    auto ini = std::make_unique<core::MemIniFile>(std::move(fileName));
    ini->SetStrings(lines);
    return ini;
}

} // namespace skin::test
