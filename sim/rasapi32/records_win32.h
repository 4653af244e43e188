// The remote-access records in their ANSI and UTF-16 forms, and the record sizes the simulated
// library accepts in dwSize. Callers on older systems pass the sizes of older layouts; each
// accepted size is the x64 size of one layout version, taken from the platform headers (records
// are packed on 4 bytes, so a version's size is the offset of the first field it lacks, rounded up
// to 4). Accepted sizes, ANSI / UTF-16:
//
//   entry (RASENTRY)                1768 1796 2088 2884 / 3468 3496 4048 5616   (NT 4, NT 4 SP, 2000, XP)
//   active connection (RASCONN)      416  680  696  708 /  820 1344 1360 1372   (95, NT 4, 2000, XP)
//   connection status                160  288            /  304  564
//   dial parameters                 1052 1064 1068       / 2096 2108 2112       (95, NT 4, 7)
//   entry name (RASENTRYNAME)        264  532            /  520 1048
//   sub-entry                        288                 /  564
//   device information               152                 /  296
//   credentials                      540                 / 1068
//   IP projection (RASPPPIP)          40   48            /   72   80
//   LCP projection (RASPPPLCP)         8 1080            /    8 2104
//   country information               20;  statistics 60;  dial extensions 24 44
//
// The 32-bit sizes of the 95 layouts of the LCP projection (28) are not accepted: no 64-bit system
// ever passed them.
#pragma once

#include "core/win32.h"

#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <initializer_list>

namespace sim::rasapi32 {

constexpr DWORD Align4(size_t n) { return static_cast<DWORD>((n + 3) & ~size_t(3)); }

template <class Ch>
struct Records;

template <>
struct Records<char> {
    using Entry = RASENTRYA;
    using Conn = RASCONNA;
    using ConnStatus = RASCONNSTATUSA;
    using DialParams = RASDIALPARAMSA;
    using EntryName = RASENTRYNAMEA;
    using SubEntry = RASSUBENTRYA;
    using DevInfo = RASDEVINFOA;
    using Credentials = RASCREDENTIALSA;
    using PppIp = RASPPPIPA;
    using PppLcp = RASPPPLCPA;
    using AutodialEntry = RASAUTODIALENTRYA;
    static constexpr const char* kSuffix = "A";
};

template <>
struct Records<wchar_t> {
    using Entry = RASENTRYW;
    using Conn = RASCONNW;
    using ConnStatus = RASCONNSTATUSW;
    using DialParams = RASDIALPARAMSW;
    using EntryName = RASENTRYNAMEW;
    using SubEntry = RASSUBENTRYW;
    using DevInfo = RASDEVINFOW;
    using Credentials = RASCREDENTIALSW;
    using PppIp = RASPPPIPW;
    using PppLcp = RASPPPLCPW;
    using AutodialEntry = RASAUTODIALENTRYW;
    static constexpr const char* kSuffix = "W";
};

// Layout versions by size; the last one of each list is the full layout of the headers.
template <class Ch>
struct Sizes {
    using R = Records<Ch>;
    static constexpr DWORD kEntryV400 = Align4(offsetof(typename R::Entry, dwSubEntries));
    static constexpr DWORD kEntryV401 = Align4(offsetof(typename R::Entry, dwType));
    static constexpr DWORD kEntryV500 = Align4(offsetof(typename R::Entry, dwfOptions2));
    static constexpr DWORD kEntryV501 = sizeof(typename R::Entry);
    static constexpr DWORD kConnV400 = Align4(offsetof(typename R::Conn, szPhonebook));
    static constexpr DWORD kConnV401 = Align4(offsetof(typename R::Conn, guidEntry));
    static constexpr DWORD kConnV500 = Align4(offsetof(typename R::Conn, dwFlags));
    static constexpr DWORD kConnV501 = sizeof(typename R::Conn);
    static constexpr DWORD kStatusV400 = Align4(offsetof(typename R::ConnStatus, szPhoneNumber));
    static constexpr DWORD kStatusV401 = sizeof(typename R::ConnStatus);
    static constexpr DWORD kDialParamsV400 = Align4(offsetof(typename R::DialParams, dwSubEntry));
    static constexpr DWORD kDialParamsV401 = Align4(offsetof(typename R::DialParams, dwIfIndex));
    static constexpr DWORD kDialParamsV601 = sizeof(typename R::DialParams);
    static constexpr DWORD kEntryNameV400 = Align4(offsetof(typename R::EntryName, dwFlags));
    static constexpr DWORD kEntryNameV401 = sizeof(typename R::EntryName);
    static constexpr DWORD kPppIpV400 = Align4(offsetof(typename R::PppIp, dwOptions));
    static constexpr DWORD kPppIpV501 = sizeof(typename R::PppIp);
    static constexpr DWORD kPppLcpV400 = Align4(offsetof(typename R::PppLcp, dwError));
    static constexpr DWORD kPppLcpV500 = sizeof(typename R::PppLcp);

    static constexpr std::initializer_list<DWORD> kEntry = {kEntryV400, kEntryV401, kEntryV500, kEntryV501};
    static constexpr std::initializer_list<DWORD> kConn = {kConnV400, kConnV401, kConnV500, kConnV501};
    static constexpr std::initializer_list<DWORD> kStatus = {kStatusV400, kStatusV401};
    static constexpr std::initializer_list<DWORD> kDialParams = {kDialParamsV400, kDialParamsV401, kDialParamsV601};
    static constexpr std::initializer_list<DWORD> kEntryName = {kEntryNameV400, kEntryNameV401};
    static constexpr std::initializer_list<DWORD> kSubEntry = {sizeof(typename R::SubEntry)};
    static constexpr std::initializer_list<DWORD> kDevInfo = {sizeof(typename R::DevInfo)};
    static constexpr std::initializer_list<DWORD> kCredentials = {sizeof(typename R::Credentials)};
    static constexpr std::initializer_list<DWORD> kPppIp = {kPppIpV400, kPppIpV501};
    static constexpr std::initializer_list<DWORD> kPppLcp = {kPppLcpV400, kPppLcpV500};
};

inline constexpr std::initializer_list<DWORD> kCountryInfoSizes = {sizeof(RASCTRYINFO)};
inline constexpr std::initializer_list<DWORD> kStatsSizes = {sizeof(RAS_STATS)};
inline constexpr std::initializer_list<DWORD> kDialExtensionSizes = {
    Align4(offsetof(RASDIALEXTENSIONS, reserved1)), sizeof(RASDIALEXTENSIONS)};

inline bool Accepts(std::initializer_list<DWORD> sizes, DWORD size)
{
    return std::find(sizes.begin(), sizes.end(), size) != sizes.end();
}

// The sizes above, written out: a change of the headers shows here first.
static_assert(Sizes<char>::kEntryV400 == 1768 && Sizes<char>::kEntryV401 == 1796 && Sizes<char>::kEntryV500 == 2088 &&
              Sizes<char>::kEntryV501 == 2884);
static_assert(Sizes<wchar_t>::kEntryV400 == 3468 && Sizes<wchar_t>::kEntryV401 == 3496 &&
              Sizes<wchar_t>::kEntryV500 == 4048 && Sizes<wchar_t>::kEntryV501 == 5616);
static_assert(Sizes<char>::kConnV400 == 416 && Sizes<char>::kConnV401 == 680 && Sizes<char>::kConnV500 == 696 &&
              Sizes<char>::kConnV501 == 708);
static_assert(Sizes<wchar_t>::kConnV400 == 820 && Sizes<wchar_t>::kConnV401 == 1344 &&
              Sizes<wchar_t>::kConnV500 == 1360 && Sizes<wchar_t>::kConnV501 == 1372);
static_assert(Sizes<char>::kStatusV400 == 160 && Sizes<char>::kStatusV401 == 288);
static_assert(Sizes<wchar_t>::kStatusV400 == 304 && Sizes<wchar_t>::kStatusV401 == 564);
static_assert(Sizes<char>::kDialParamsV400 == 1052 && Sizes<char>::kDialParamsV401 == 1064 &&
              Sizes<char>::kDialParamsV601 == 1068);
static_assert(Sizes<wchar_t>::kDialParamsV400 == 2096 && Sizes<wchar_t>::kDialParamsV401 == 2108 &&
              Sizes<wchar_t>::kDialParamsV601 == 2112);
static_assert(Sizes<char>::kEntryNameV400 == 264 && Sizes<char>::kEntryNameV401 == 532);
static_assert(Sizes<wchar_t>::kEntryNameV400 == 520 && Sizes<wchar_t>::kEntryNameV401 == 1048);
static_assert(sizeof(RASSUBENTRYA) == 288 && sizeof(RASSUBENTRYW) == 564);
static_assert(sizeof(RASDEVINFOA) == 152 && sizeof(RASDEVINFOW) == 296);
static_assert(sizeof(RASCREDENTIALSA) == 540 && sizeof(RASCREDENTIALSW) == 1068);
static_assert(Sizes<char>::kPppIpV400 == 40 && Sizes<char>::kPppIpV501 == 48);
static_assert(Sizes<wchar_t>::kPppIpV400 == 72 && Sizes<wchar_t>::kPppIpV501 == 80);
static_assert(Sizes<char>::kPppLcpV400 == 8 && Sizes<char>::kPppLcpV500 == 1080 && Sizes<wchar_t>::kPppLcpV500 == 2104);
static_assert(sizeof(RASCTRYINFO) == 20 && sizeof(RAS_STATS) == 60);
static_assert(offsetof(RASCONNA, hrasconn) == 4 && offsetof(RASCONNA, szEntryName) == 12);

} // namespace sim::rasapi32
