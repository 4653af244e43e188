// Reading the service's data file.
#include "sim/service/datafile.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

const char* const kSample =
    "\xEF\xBB\xBF# comment\r\n"
    "[account demo]\r\n"
    "password = demo123\r\n"
    "info = 包月用户\r\n"
    "dial = issued\r\n"
    "dial_user = u1\r\n"
    "dial_password = p1\r\n"
    "\n"
    "[account old]\n"
    "password=x\n"
    "state=expire\n"
    "[area 华东]\n"
    "节点1 = 1.2.3.4,98%,1\n"
    "; a comment between nodes\n"
    "节点2=5.6.7.8,95%,0\n"
    "[area Route]\n"
    "[page news.htm]\n"
    "<p>第一行</p>\n"
    "# kept: pages are verbatim\n"
    "[area 华东]\n"
    "节点3=,1\n";

TEST(ServiceData, ReadsAccountsAreasAndPages) {
    ServiceData data = ServiceData::Parse(kSample);
    ASSERT_EQ(data.Accounts().size(), 2u);
    const Account* demo = data.FindAccount(u"demo");
    ASSERT_NE(demo, nullptr);
    EXPECT_EQ(demo->password, u"demo123");
    EXPECT_EQ(demo->info, u"包月用户");
    EXPECT_EQ(demo->state, AccountState::Ok);
    EXPECT_EQ(demo->dial, DialMode::Issued);
    EXPECT_EQ(demo->dial_user, u"u1");
    EXPECT_EQ(demo->dial_password, u"p1");
    EXPECT_EQ(data.FindAccount(u"old")->state, AccountState::Expired);
    EXPECT_EQ(data.FindAccount(u"old")->dial, DialMode::OwnLogin);
    EXPECT_EQ(data.FindAccount(u"Demo"), nullptr);

    ASSERT_NE(data.FindPage(u"news.htm"), nullptr);
    EXPECT_EQ(*data.FindPage(u"news.htm"), u"<p>第一行</p>\r\n# kept: pages are verbatim\r\n");
    EXPECT_EQ(data.FindPage(u"top.htm"), nullptr);

    // Areas in file order, a repeated name kept as a section of its own.
    EXPECT_EQ(data.NodeListText(),
              u"[华东]\r\n节点1=1.2.3.4,98%,1\r\n节点2=5.6.7.8,95%,0\r\n[Route]\r\n[华东]\r\n节点3=,1\r\n");
}

TEST(ServiceData, NamesTheLineOfEveryError) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"password=x\n", "line 1: a line outside any section"},
        {"[account a]\npassword=x\nstate=gone\n", "line 3: state must be ok, expire or useup"},
        {"[account a]\npassword=x\ndial=maybe\n", "line 3: dial must be own or issued"},
        {"[account a]\npasswd=x\n", "line 2: unknown account key \"passwd\""},
        {"[account a]\npassword=x\n[account a]\n", "line 3: account \"a\" appears twice"},
        {"[nodes x]\n", "line 1: unknown section kind \"nodes\" (account, area or page)"},
        {"[area]\n", "line 1: section \"area\" has no name"},
        {"[area a]\njust text\n", "line 2: expected \"key = value\""},
        {"[area a]\n=1.2.3.4\n", "line 2: empty key"},
        {"[area a]\nk=\xFF\n", "line 2: not UTF-8"},
        {"[account a]\nstate=ok\n", "account \"a\" has no password"},
    };
    for (const auto& c : cases) {
        try {
            ServiceData::Parse(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EDataFile& e) {
            EXPECT_STREQ(e.what(), c.error) << c.text;
        }
    }
}

TEST(ServiceData, RefusesAFileLargerThanTheLimit) {
    std::string huge(ServiceData::kMaxFileSize + 1, '#');
    EXPECT_THROW(ServiceData::Parse(huge), EDataFile);
}

} // namespace
} // namespace sim::service
