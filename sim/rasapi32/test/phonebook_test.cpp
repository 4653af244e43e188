// Phonebook store of the simulated remote-access library: names, entries, credentials, sub-entries.
#include "sim/rasapi32/phonebook.h"

#include "sim/rasapi32/codes.h"

#include <gtest/gtest.h>

namespace sim::rasapi32 {
namespace {

Phonebook BookWith(std::initializer_list<const char16_t*> names)
{
    Phonebook book = Phonebook::Parse(" \r\n");  // what a freshly made phonebook file holds
    for (const char16_t* name : names)
        EXPECT_EQ(book.Write(name, {{String(key::kLocalPhoneNumber), u"10.0.0.1"}}, {}), code::kSuccess);
    return book;
}

TEST(EntryName, ValidationFollowsTheInterfaceRules)
{
    const Phonebook book = BookWith({u"030395742"});
    struct Case {
        String name;
        uint32_t expected;
    } cases[] = {
        {u"VEDEZEVERI", code::kSuccess},
        {u"030395742", code::kAlreadyExists},
        {u"030395742", code::kAlreadyExists},
        {u"中转 连接", code::kSuccess},
        {u"", code::kInvalidName},
        {u"   ", code::kInvalidName},
        {u".hidden", code::kInvalidName},
        {u"a/b", code::kInvalidName},
        {u"a\\b", code::kInvalidName},
        {u"line\nbreak", code::kInvalidName},
        {u"quote\"", code::kInvalidName},
        {String(256, u'x'), code::kSuccess},
        {String(257, u'x'), code::kInvalidName},
    };
    for (const Case& c : cases)
        EXPECT_EQ(book.Validate(c.name), c.expected) << core::ToUtf8(c.name);
}

TEST(PhonebookEntries, WriteUpdatesOnlyTheGivenFieldsAndSurvivesTheFile)
{
    Phonebook book = BookWith({});
    ASSERT_EQ(book.Write(u"main", {{u"Options", u"1"}, {u"DeviceName", u"WAN 微型端口 (PPTP)"}}, {u"1.1.1.1", u"2.2.2.2"}),
              code::kSuccess);
    ASSERT_EQ(book.Write(u"MAIN", {{u"Options", u"7"}}, {}), code::kSuccess);

    const Phonebook back = Phonebook::Parse(book.Serialize());
    const IniSection* entry = back.Entry(u"main");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Name(), u"main");
    EXPECT_EQ(entry->Value(u"Options"), u"7");
    EXPECT_EQ(entry->Value(key::kDeviceName), u"WAN 微型端口 (PPTP)");
    EXPECT_TRUE(entry->Values(key::kAlternate).empty());
    EXPECT_EQ(entry->Value(key::kGuid).size(), 38u);
    EXPECT_EQ(back.EntryNames(), std::vector<String>{u"main"});
    EXPECT_EQ(book.Write(u".bad", {}, {}), code::kInvalidName);
}

TEST(PhonebookEntries, DeleteAnswers623OnceTheEntryIsGone)
{
    Phonebook book = BookWith({u"a", u"b"});
    EXPECT_EQ(book.Delete(u"A"), code::kSuccess);
    EXPECT_EQ(book.Delete(u"a"), code::kCannotFindEntry);
    EXPECT_EQ(book.Delete(u""), code::kCannotFindEntry);
    EXPECT_EQ(book.EntryNames(), std::vector<String>{u"b"});
}

TEST(PhonebookEntries, RenameChecksBothNames)
{
    Phonebook book = BookWith({u"one", u"two"});
    EXPECT_EQ(book.Rename(u"three", u"four"), code::kCannotFindEntry);
    EXPECT_EQ(book.Rename(u"one", u"TWO"), code::kAlreadyExists);
    EXPECT_EQ(book.Rename(u"one", u"bad:name"), code::kInvalidName);
    EXPECT_EQ(book.Rename(u"one", u"ONE"), code::kSuccess);
    EXPECT_EQ(book.Rename(u"one", u"uno"), code::kSuccess);
    EXPECT_EQ(book.EntryNames(), (std::vector<String>{u"uno", u"two"}));
}

TEST(PhonebookCredentials, StoredByMaskAndReadBackWithThePasswordHandle)
{
    Phonebook book = BookWith({u"vpn"});
    Credentials none;
    ASSERT_EQ(book.GetCredentials(u"vpn", mask::kUserName | mask::kPassword | mask::kDomain, none), code::kSuccess);
    EXPECT_EQ(none.mask, 0u);

    Credentials in{mask::kUserName | mask::kPassword, u"alice", u"secret", u"ignored"};
    ASSERT_EQ(book.SetCredentials(u"vpn", in, false), code::kSuccess);
    Credentials out;
    ASSERT_EQ(book.GetCredentials(u"vpn", 7, out), code::kSuccess);
    EXPECT_EQ(out.mask, mask::kUserName | mask::kPassword);
    EXPECT_EQ(out.userName, u"alice");
    EXPECT_EQ(out.password, kPasswordHandle);
    EXPECT_EQ(out.domain, u"");
    EXPECT_EQ(book.StoredPassword(u"vpn", false), u"secret");

    // Writing the handle back keeps the stored password; clearing removes only what the mask names.
    Credentials handle{mask::kPassword | mask::kDomain, u"", String(kPasswordHandle), u"CORP"};
    ASSERT_EQ(book.SetCredentials(u"vpn", handle, false), code::kSuccess);
    EXPECT_EQ(book.StoredPassword(u"vpn", false), u"secret");
    ASSERT_EQ(book.SetCredentials(u"vpn", {mask::kPassword, {}, {}, {}}, true), code::kSuccess);
    ASSERT_EQ(book.GetCredentials(u"vpn", 7, out), code::kSuccess);
    EXPECT_EQ(out.mask, mask::kUserName | mask::kDomain);
    EXPECT_EQ(out.domain, u"CORP");

    // The all-users default set is apart from the user's own.
    ASSERT_EQ(book.SetCredentials(u"vpn", {mask::kUserName | mask::kDefaultCreds, u"shared", {}, {}}, false),
              code::kSuccess);
    ASSERT_EQ(book.GetCredentials(u"vpn", mask::kUserName | mask::kDefaultCreds, out), code::kSuccess);
    EXPECT_EQ(out.userName, u"shared");
    EXPECT_EQ(out.mask, mask::kUserName | mask::kDefaultCreds);

    EXPECT_EQ(book.SetCredentials(u"missing", in, false), code::kCannotFindEntry);
    EXPECT_EQ(book.GetCredentials(u"missing", 7, out), code::kCannotFindEntry);
}

TEST(PhonebookSubEntries, FirstLinkIsTheEntryAndLaterLinksMoveDown)
{
    Phonebook book = BookWith({});
    ASSERT_EQ(book.Write(u"multi", {{u"DeviceType", u"vpn"}, {u"DeviceName", u"dev1"}, {u"LocalPhoneNumber", u"n1"}},
                         {u"alt1"}),
              code::kSuccess);
    EXPECT_EQ(book.SubEntryCount(u"multi"), 1u);
    SubEntry first;
    ASSERT_EQ(book.GetSubEntry(u"multi", 1, first), code::kSuccess);
    EXPECT_EQ(first.deviceName, u"dev1");
    EXPECT_EQ(first.alternates, std::vector<String>{u"alt1"});

    ASSERT_EQ(book.SetSubEntry(u"multi", 9, {0, u"vpn", u"dev2", u"n2", {}}), code::kSuccess);  // appended as 2
    ASSERT_EQ(book.SetSubEntry(u"multi", 3, {0, u"vpn", u"dev3", u"n3", {u"a", u"b"}}), code::kSuccess);
    EXPECT_EQ(book.SubEntryCount(u"multi"), 3u);
    ASSERT_EQ(book.DeleteSubEntry(u"multi", 2), code::kSuccess);
    SubEntry second;
    ASSERT_EQ(Phonebook::Parse(book.Serialize()).GetSubEntry(u"multi", 2, second), code::kSuccess);
    EXPECT_EQ(second.deviceName, u"dev3");
    EXPECT_EQ(second.alternates, (std::vector<String>{u"a", u"b"}));
    EXPECT_EQ(book.SubEntryCount(u"multi"), 2u);

    EXPECT_EQ(book.DeleteSubEntry(u"multi", 1), code::kInvalidParameter);
    EXPECT_EQ(book.DeleteSubEntry(u"multi", 3), code::kInvalidParameter);
    EXPECT_EQ(book.GetSubEntry(u"multi", 0, second), code::kInvalidParameter);
    EXPECT_EQ(book.GetSubEntry(u"nothing", 1, second), code::kCannotFindEntry);
}

TEST(PhonebookSubEntries, DamagedCountIsClippedToTheLinksPresent)
{
    const Phonebook book = Phonebook::Parse("[e]\nDeviceName=d\nSubEntries=999999999999\nSub2.DeviceName=x\n");
    EXPECT_EQ(book.SubEntryCount(u"e"), 2u);
}

} // namespace
} // namespace sim::rasapi32
