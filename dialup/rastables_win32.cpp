// The record sizes of rastables.cpp checked against the platform headers' x64 structures.
#include "core/win32.h"

#include "dialup/rastables.h"

#include <ras.h>
#include <rasdlg.h>

#include <cstddef>

namespace dialup {

namespace {

constexpr uint32_t Align4(size_t n) { return static_cast<uint32_t>((n + 3) & ~size_t(3)); }

// A layout version ends where the first field it lacks begins.
static_assert(Align4(offsetof(RASENTRYA, dwSubEntries)) == 1768);
static_assert(Align4(offsetof(RASENTRYA, dwType)) == 1796);
static_assert(Align4(offsetof(RASENTRYA, dwfOptions2)) == 2088);
static_assert(sizeof(RASENTRYA) == 2884);
static_assert(Align4(offsetof(RASCONNA, szPhonebook)) == 416);
static_assert(Align4(offsetof(RASCONNA, guidEntry)) == 680);
static_assert(Align4(offsetof(RASCONNA, dwFlags)) == 696);
static_assert(sizeof(RASCONNA) == 708 && sizeof(RASCONNA) == kLargestConnRecord);
static_assert(Align4(offsetof(RASCONNSTATUSA, szPhoneNumber)) == 160);
static_assert(sizeof(RASCONNSTATUSA) == 288);
static_assert(Align4(offsetof(RASDIALPARAMSA, dwSubEntry)) == 1052);
static_assert(Align4(offsetof(RASDIALPARAMSA, dwIfIndex)) == 1064);
static_assert(Align4(offsetof(RASENTRYNAMEA, dwFlags)) == 264);
static_assert(sizeof(RASENTRYNAMEA) == 532);
static_assert(Align4(offsetof(RASPPPLCPA, dwError)) == 8);
static_assert(sizeof(RASPPPLCPA) == 1080);
static_assert(Align4(offsetof(RASPPPIPA, dwOptions)) == 40);
static_assert(sizeof(RASSUBENTRYA) == 288);
static_assert(sizeof(RASDEVINFOA) == 152);
static_assert(sizeof(RASCTRYINFOA) == 20);
static_assert(sizeof(RASCREDENTIALSA) == 540);
static_assert(sizeof(RAS_STATS) == 60);
static_assert(sizeof(RASSUBENTRYA) < kSubEntryBufferSize && sizeof(RASENTRYA) < kEntryBufferSize);
// Offsets the components read directly.
static_assert(offsetof(RASPPPIPA, dwError) == 4 && offsetof(RASPPPIPA, szIpAddress) == 8 &&
              offsetof(RASPPPIPA, szServerIpAddress) == 24);
static_assert(offsetof(RASDIALPARAMSA, dwCallbackId) == 1056);
static_assert(sizeof(RASDIALEXTENSIONS) == 44 && Align4(offsetof(RASDIALEXTENSIONS, reserved1)) == 24);
static_assert(sizeof(RASENTRYDLGA) > 0);

} // namespace

} // namespace dialup
