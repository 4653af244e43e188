// The remote-access registry value that L2TP without IPsec needs, and the device names of the two
// tunnelling protocols.
#pragma once

#include "core/string.h"

namespace client {

// The Chinese system's names of the WAN miniports (passed to the phonebook in code page 936).
inline constexpr char16_t kPptpDeviceName[] = u"WAN 微型端口 (PPTP)";
inline constexpr char16_t kL2tpDeviceName[] = u"WAN 微型端口 (L2TP)";

// HKEY_LOCAL_MACHINE, under which the value lives; names match without regard to case.
inline constexpr char16_t kRasManParametersKey[] = u"\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Parameters";
inline constexpr char16_t kProhibitIpSecValue[] = u"ProhibitIpSec";

inline constexpr char16_t kL2tpWriteFailedText[] = u"无法写入L2TP设置，请以管理员身份运行客户端后重试";

enum class ProhibitIpSecState {
    KeyMissing,    // the parameters key cannot be opened
    ValueMissing,  // or of another kind than an integer
    Zero,
    One,
    Other,         // any other integer
};

ProhibitIpSecState ReadProhibitIpSec();
// Opens the key (creating it when missing) and writes the value 1; false when that fails.
bool SetProhibitIpSec();

} // namespace client
