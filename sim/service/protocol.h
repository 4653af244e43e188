// The service's side of the wire: paths of both ports, the three reply markers and the plain replies
// the substitute gives where the client only tells "recognised" from "anything else".
#pragma once

#include <string_view>

namespace sim::service {

// Which of the two listening ports a request came in on.
enum class Port { App, Content };

inline constexpr std::string_view kAppPrefix = "/zirovadi/useradmin/";
inline constexpr std::string_view kContentPrefix = "/divezevor2011/";

inline constexpr std::string_view kNetCheck = "/zirovadi/useradmin/netcheck.php";
inline constexpr std::string_view kUserCheck = "/zirovadi/useradmin/usercheck.php";
inline constexpr std::string_view kVpnList = "/zirovadi/useradmin/vpnlist.php";
inline constexpr std::string_view kIpCheck = "/zirovadi/useradmin/ipcheck2.php";
inline constexpr std::string_view kStatusCheck = "/zirovadi/useradmin/statuscheck2.php";
inline constexpr std::string_view kStopCheck = "/zirovadi/useradmin/stopcheck.php";
inline constexpr std::string_view kRegisterPage = "/zirovadi/useradmin/user_self_new.php";
inline constexpr std::string_view kAccountPage = "/zirovadi/useradmin/";
inline constexpr std::string_view kAccountPageNoSlash = "/zirovadi/useradmin";

// Markers: whole replies (or, for the separator, a cut point) the client compares exactly.
inline constexpr std::string_view kDialWithLoginMarker = "8b2e4d6f1a3c5e7b9d0f2a4c6e8b1d37";
inline constexpr std::string_view kCredentialSeparator = "3f7a9c1e5b2d8f4a0c6e9b1d3f5a7c49";
inline constexpr std::string_view kLoggedInElsewhereMarker = "5e1f0a9c7b3d2e8f4a6c1b0d9e7f3a25";

// Account check refusals.
inline constexpr std::string_view kReplyError = "error";
inline constexpr std::string_view kReplyExpired = "expire";
inline constexpr std::string_view kReplyUsedUp = "useup";
// Host probe: exactly "1", no line break.
inline constexpr std::string_view kReplyNetCheck = "1";
// Acknowledgement of a report; the client ignores everything but the marker.
inline constexpr std::string_view kReplyReportOk = "ok";

// Pages and replies that carry Chinese are in code page 936, as the client decodes them.
inline constexpr std::string_view kTextType = "text/plain; charset=gb2312";
inline constexpr std::string_view kHtmlType = "text/html; charset=gb2312";

} // namespace sim::service
