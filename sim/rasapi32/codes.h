// Result codes, connection states and the other numbers of the remote-access interface that the
// portable part of the simulated library works with. The Windows glue checks them against the
// platform headers.
#pragma once

#include <cstdint>

namespace sim::rasapi32 {

namespace code {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kAccessDenied = 5;          // writes refused ("run as administrator")
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotSupported = 50;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kInsufficientBuffer = 122;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kAlreadyExists = 183;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kCancelled = 1223;
inline constexpr uint32_t kPortAlreadyOpen = 602;
inline constexpr uint32_t kBufferTooSmall = 603;
inline constexpr uint32_t kDeviceDoesNotExist = 608;
inline constexpr uint32_t kPortDisconnected = 619;
inline constexpr uint32_t kCannotOpenPhonebook = 621;
inline constexpr uint32_t kCannotFindEntry = 623;
inline constexpr uint32_t kCannotWritePhonebook = 624;
inline constexpr uint32_t kUserDisconnection = 631;
inline constexpr uint32_t kInvalidSize = 632;
inline constexpr uint32_t kNoConnection = 668;
inline constexpr uint32_t kNoAnswer = 678;
inline constexpr uint32_t kAuthenticationFailure = 691;
inline constexpr uint32_t kProjectionNotComplete = 730;
inline constexpr uint32_t kProtocolNotConfigured = 731;
inline constexpr uint32_t kDialAlreadyInProgress = 756;
inline constexpr uint32_t kAutomaticVpnFailed = 800;
inline constexpr uint32_t kDnsNameNotResolvable = 868;
inline constexpr uint32_t kRasFirst = 600;
inline constexpr uint32_t kRasLast = 870;
} // namespace code

// Connection states.
namespace state {
inline constexpr uint32_t kOpenPort = 0;
inline constexpr uint32_t kPortOpened = 1;
inline constexpr uint32_t kConnectDevice = 2;
inline constexpr uint32_t kDeviceConnected = 3;
inline constexpr uint32_t kAllDevicesConnected = 4;
inline constexpr uint32_t kAuthenticate = 5;
inline constexpr uint32_t kAuthNotify = 6;
inline constexpr uint32_t kAuthProject = 10;
inline constexpr uint32_t kAuthenticated = 14;
inline constexpr uint32_t kProjected = 18;
inline constexpr uint32_t kConnected = 0x2000;
inline constexpr uint32_t kDisconnected = 0x2001;
} // namespace state

// Phonebook entry flags of the enumeration and of active connections.
inline constexpr uint32_t kAllUsersFlag = 1;

// Credential mask bits.
namespace mask {
inline constexpr uint32_t kUserName = 1;
inline constexpr uint32_t kPassword = 2;
inline constexpr uint32_t kDomain = 4;
inline constexpr uint32_t kDefaultCreds = 8;
} // namespace mask

} // namespace sim::rasapi32
