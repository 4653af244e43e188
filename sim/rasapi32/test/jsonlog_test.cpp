// Call-log lines and error texts of the simulated remote-access library.
#include "sim/rasapi32/codes.h"
#include "sim/rasapi32/errors.h"
#include "sim/rasapi32/jsonlog.h"

#include <gtest/gtest.h>

namespace sim::rasapi32 {
namespace {

TEST(JsonLine, FieldsInOrderWithEscapes)
{
    JsonLine line;
    line.Text("call", u"RasDialA").Number("result", -1).Bool("ok", false).Text("entry", u"q\"b\\s\n\x01中");
    EXPECT_EQ(line.Line(), "{\"call\":\"RasDialA\",\"result\":-1,\"ok\":false,\"entry\":\"q\\\"b\\\\s\\n\\u0001\xE4\xB8\xAD\"}\n");
}

TEST(JsonLine, LoneSurrogatesDoNotBreakTheLine)
{
    const std::u16string broken{u'a', char16_t(0xD800), u'b'};
    EXPECT_EQ(JsonQuote(broken), "\"a\xEF\xBF\xBD" "b\"");
}

TEST(ErrorText, EveryCodeTheLibraryAnswersWithHasAText)
{
    const uint32_t codes[] = {code::kAccessDenied, code::kInvalidHandle, code::kNotSupported, code::kInvalidParameter,
                              code::kInsufficientBuffer, code::kInvalidName, code::kAlreadyExists, code::kFileNotFound,
                              code::kPortAlreadyOpen, code::kBufferTooSmall, code::kDeviceDoesNotExist,
                              code::kPortDisconnected, code::kCannotOpenPhonebook, code::kCannotFindEntry,
                              code::kCannotWritePhonebook, code::kUserDisconnection, code::kInvalidSize,
                              code::kNoConnection, code::kNoAnswer, code::kAuthenticationFailure,
                              code::kProjectionNotComplete, code::kProtocolNotConfigured,
                              code::kDialAlreadyInProgress, code::kAutomaticVpnFailed, code::kDnsNameNotResolvable,
                              733, 651};
    for (uint32_t value : codes)
        EXPECT_FALSE(ErrorText(value).empty()) << value;
    EXPECT_EQ(ErrorText(651), u"Remote access error 651.");
    EXPECT_TRUE(ErrorText(871).empty());
    EXPECT_TRUE(ErrorText(12345).empty());
}

} // namespace
} // namespace sim::rasapi32
