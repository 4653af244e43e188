// File version information: the host has no version resources, windows or modules.
#include "support/fileversion.h"

#include "support/syserror.h"

#include <cerrno>

namespace support::fileversion_os {

uint32_t InfoSize(const core::String&) { return 0; }

bool ReadInfo(const core::String&, std::string&)
{
    errno = ENOENT;
    return false;
}

core::String ModuleFile(std::uintptr_t) { return {}; }

core::String WindowProcessImage(std::uintptr_t window)
{
    (void)window;
    throw ESysError(u"The process with ID 0 is not valid");
}

core::String LanguageName(uint16_t) { return {}; }

} // namespace support::fileversion_os
