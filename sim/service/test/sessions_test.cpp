// Session bookkeeping: one account online on one computer at a time.
#include "sim/service/sessions.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

Report MakeReport(const char16_t* id, const char16_t* user, uint32_t sent = 0, uint64_t online = 0) {
    Report r;
    r.server_ip = u"127.0.0.11";
    r.client_ip = u"10.0.0.2";
    r.unique_id = id;
    r.user_name = user;
    r.sent = sent;
    r.received = sent * 2;
    r.online_ms = online;
    return r;
}

TEST(SessionBook, KeepsTrafficAndOnlineTimeOfTheLatestReport) {
    SessionBook book;
    EXPECT_FALSE(book.StatusReport(MakeReport(u"A", u"demo", 100, 4000), "127.0.0.1", 10));
    EXPECT_FALSE(book.StatusReport(MakeReport(u"A", u"demo", 900, 20000), "127.0.0.2", 30));
    auto sessions = book.Snapshot();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].sent, 900u);
    EXPECT_EQ(sessions[0].received, 1800u);
    EXPECT_EQ(sessions[0].online_ms, 20000u);
    EXPECT_EQ(sessions[0].reports, 2);
    EXPECT_EQ(sessions[0].host, "127.0.0.2");
    EXPECT_EQ(sessions[0].started_ms, 10);
    EXPECT_EQ(sessions[0].last_ms, 30);
    EXPECT_EQ(sessions[0].state, SessionState::Online);
}

TEST(SessionBook, ASecondSessionOfTheAccountSupersedesTheFirst) {
    SessionBook book;
    EXPECT_FALSE(book.StatusReport(MakeReport(u"A", u"demo"), "h", 0));
    EXPECT_FALSE(book.StatusReport(MakeReport(u"X", u"other"), "h", 0));
    EXPECT_FALSE(book.StatusReport(MakeReport(u"B", u"demo"), "h", 1));  // the newer login stays
    EXPECT_TRUE(book.StatusReport(MakeReport(u"A", u"demo"), "h", 2));   // the older one is told
    EXPECT_TRUE(book.StatusReport(MakeReport(u"A", u"demo"), "h", 3));   // every time
    EXPECT_FALSE(book.StatusReport(MakeReport(u"B", u"demo"), "h", 4));
    EXPECT_FALSE(book.StatusReport(MakeReport(u"X", u"other"), "h", 4));  // another account untouched

    book.StopReport(MakeReport(u"A", u"demo"), "h", 5);
    auto sessions = book.Snapshot();
    ASSERT_EQ(sessions.size(), 3u);
    EXPECT_EQ(sessions[0].state, SessionState::Stopped);
    EXPECT_EQ(sessions[2].state, SessionState::Online);
}

TEST(SessionBook, AStoppedSessionSupersedesNothingAndAnUnknownStopIsRecorded) {
    SessionBook book;
    book.StopReport(MakeReport(u"A", u"demo", 5), "h", 0);
    EXPECT_FALSE(book.StatusReport(MakeReport(u"B", u"demo"), "h", 1));
    auto sessions = book.Snapshot();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].state, SessionState::Stopped);
    EXPECT_EQ(sessions[0].reports, 0);
    EXPECT_EQ(sessions[0].sent, 5u);
}

TEST(SessionBook, AFloodOfIdsStaysBoundedAndDropsEndedSessionsFirst) {
    SessionBook book;
    book.StatusReport(MakeReport(u"keep", u"keeper"), "h", 0);
    for (size_t i = 0; i < SessionBook::kMaxSessions + 50; ++i) {
        core::String id = u"s" + core::IntToStr(static_cast<int64_t>(i));
        book.StopReport(MakeReport(id.c_str(), u"flood"), "h", 0);
    }
    auto sessions = book.Snapshot();
    EXPECT_EQ(sessions.size(), SessionBook::kMaxSessions);
    EXPECT_EQ(sessions[0].unique_id, u"keep");
}

} // namespace
} // namespace sim::service
