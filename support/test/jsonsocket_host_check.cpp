// The socket sink over a local socket pair (POSIX host build).
#include "support/jsonobject.h"
#include "support/jsonreader.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace support;

TEST(JsonWriter, SocketSinkSendsAndReportsFailure)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    JsonRef doc = ParseString(u"{\"a\":[1,2]}");
    EXPECT_EQ(doc->SaveTo(JsonSocket(pair[0])), 11);
    char buffer[64] = {};
    EXPECT_EQ(::read(pair[1], buffer, sizeof(buffer)), 11);
    EXPECT_STREQ(buffer, "{\"a\":[1,2]}");
    ::close(pair[1]);
    EXPECT_EQ(doc->SaveTo(JsonSocket(pair[0])), 0);
    ::close(pair[0]);
}

} // namespace
