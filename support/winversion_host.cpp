// Windows version facts and system information: the host stand-in answers as Windows 7 SP1 on a
// 64-bit machine (what Wine reports), with the host's page size and processor count.
#include "support/winversion.h"

#include <algorithm>
#include <thread>
#include <unistd.h>

namespace support {

bool NativeSystemInfo(SystemInfoRec& info)
{
    info = {};
    info.processorArchitecture = kArchitectureAmd64;
    info.pageSize = uint32_t(sysconf(_SC_PAGESIZE));
    info.numberOfProcessors = std::max(1u, std::thread::hardware_concurrency());
    info.allocationGranularity = 65536;
    return true;
}

VersionFacts CollectVersionFacts()
{
    VersionFacts f;
    f.platform = kPlatformNT;
    f.major = 6;
    f.minor = 1;
    f.servicePack = u"Service Pack 1";
    f.productTypeKnown = true;
    f.productType = kProductWorkstation;
    f.nativeArchitecture = kArchitectureAmd64;
    return f;
}

} // namespace support
