// The version block parser and the properties over it, on blocks built by the test in both layouts.
#include "support/fileversion.h"
#include "support/syserror.h"
#include "support/test/versionblock.h"

#include <gtest/gtest.h>

namespace support {
namespace {

using test::Build;
using test::Item;
using test::Root;
using test::VNode;

// Two languages (US English and Simplified Chinese), a binary item, and a translation list.
std::string TwoLanguageBlock(bool wide)
{
    VNode english{u"040904b0", "", 1, -1,
                  {Item(u"CompanyName", u"Example Works", wide), Item(u"FileVersion", u"1, 2, 3, 4", wide),
                   Item(u"ProductVersion", u"5", wide), Item(u"Comments", u"", wide)}};
    VNode chinese{u"080403A8", "", 1, -1, {Item(u"CompanyName", u"示例", wide), Item(u"ProductName", u"客户端", wide)}};
    return Build(Root(test::FixedBytes(0x00010002, 0x00030004, 0x3F, 0x0B),
                      {{u"StringFileInfo", "", 1, -1, {english, chinese}}, test::Translation({0x04B00409, 0x03A80804})}),
                 wide);
}

TEST(FileVersionInfo, ReadsBothLayoutsWithTwoLanguages)
{
    for (bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "32-bit layout" : "16-bit layout");
        const std::string block = TwoLanguageBlock(wide);
        auto info = TSysFileVersionInfo::Attach(block.data(), block.size());
        EXPECT_EQ(info.LanguageCount(), 2);
        EXPECT_EQ(info.Languages(0).LangId, 0x0409);
        EXPECT_EQ(info.Languages(0).CodePage, 0x04B0);
        EXPECT_EQ(info.Languages(1).Pair(), 0x03A80804u);
        ASSERT_EQ(info.Items().size(), 4u);
        EXPECT_EQ(info.Items()[0], u"CompanyName=Example Works");
        EXPECT_EQ(info.CompanyName(), u"Example Works");
        EXPECT_EQ(info.Comments(), u"");
        EXPECT_EQ(info.ProductName(), u"");  // only in the second table
        info.SetLanguageIndex(1);
        EXPECT_EQ(info.CompanyName(), u"示例");
        EXPECT_EQ(info.ProductName(), u"客户端");
        EXPECT_EQ(info.ItemLanguage(0).LangId, 0x0804);
        EXPECT_EQ(info.TranslationCount(), 2);
        EXPECT_TRUE(info.TranslationMatchesLanguages(true));
        EXPECT_EQ(info.BinFileVersion(), u"1.2.3.4");
        EXPECT_EQ(info.BinProductVersion(), u"1.2.3.5");
        EXPECT_EQ(info.FileOS(), 0x40004u);
        // Flags 0x0B under mask 0x3F: debug, pre-release, private build.
        EXPECT_EQ(info.FileFlags(), (1u << ffDebug) | (1u << ffPreRelease) | (1u << ffPrivateBuild));
    }
}

TEST(FileVersionInfo, SplitsVersionTexts)
{
    const struct {
        const char16_t* text;
        const char16_t* parts[4];
    } cases[] = {
        {u"1, 2, 3, 4", {u"1", u"2", u"3", u"4"}},
        {u"5", {u"5", u"", u"", u"5"}},
        {u"6.7", {u"6", u"", u"", u"7"}},
        {u"1.2.3", {u"1", u"2", u"", u"3"}},
        {u"", {u"", u"", u"", u""}},
    };
    for (const auto& c : cases)
        for (int part = 0; part < 4; ++part)
            EXPECT_EQ(TSysFileVersionInfo::VersionPart(c.text, part), c.parts[part]) << core::ToUtf8(c.text) << " " << part;

    const std::string block = TwoLanguageBlock(true);
    auto info = TSysFileVersionInfo::Attach(block.data(), block.size());
    EXPECT_EQ(info.FileVersionMajor(), u"1");
    EXPECT_EQ(info.FileVersionRelease(), u"3");
    EXPECT_EQ(info.ProductVersionMajor(), u"5");
    EXPECT_EQ(info.ProductVersionMinor(), u"");
    EXPECT_EQ(info.ProductVersionBuild(), u"5");
}

TEST(FileVersionInfo, ReadsBinaryValuesAndCleansTableKeys)
{
    const auto bin = [](std::string bytes) { return VNode{u"", std::move(bytes), 0, -1, {}}; };
    VNode b1 = bin(std::string("\x07", 1)), b2 = bin(std::string("\x34\x12", 2)), b4 = bin(std::string("\x78\x56\x34\x12", 4));
    VNode longText = bin(test::TextValue(u"wide text", true));
    VNode empty = bin("");
    b1.key = u"One", b2.key = u"Two", b4.key = u"Four", longText.key = u"Long", empty.key = u"Empty";
    VNode table{u"0x040904b0", "", 1, -1, {b1, b2, b4, longText, empty}};
    const std::string block = Build(Root(test::FixedBytes(1, 0, 0, 0), {{u"StringFileInfo", "", 1, -1, {table}}}), true);
    auto info = TSysFileVersionInfo::Attach(block.data(), block.size());
    EXPECT_EQ(info.Languages(0).LangId, 0x0409);
    EXPECT_EQ(info.Languages(0).CodePage, 0x04B0);
    EXPECT_EQ(info.GetCustomFieldValue(u"One"), u"$07");
    EXPECT_EQ(info.GetCustomFieldValue(u"Two"), u"$1234");
    EXPECT_EQ(info.GetCustomFieldValue(u"four"), u"$12345678");
    EXPECT_EQ(info.GetCustomFieldValue(u"Long"), u"wide text");
    EXPECT_EQ(info.GetCustomFieldValue(u"Empty"), u"");
    EXPECT_FALSE(info.TranslationMatchesLanguages(false));  // no translations at all
}

TEST(FileVersionInfo, ReportsMissingItemsAndBadIndexes)
{
    const std::string block = TwoLanguageBlock(true);
    auto info = TSysFileVersionInfo::Attach(block.data(), block.size());
    const struct {
        const char16_t* name;
        const char16_t* message;
    } cases[] = {{u"", u"No value was supplied"}, {u"LegalCopyright", u"The value LegalCopyright was not found."}};
    for (const auto& c : cases) {
        try {
            info.GetCustomFieldValue(c.name);
            ADD_FAILURE() << "no exception";
        } catch (const ESysFileVersionInfoError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_EQ(info.LegalCopyright(), u"");
    for (int bad : {-1, 2}) {
        try {
            info.SetLanguageIndex(bad);
            ADD_FAILURE() << "no exception";
        } catch (const ESysFileVersionInfoError& e) {
            EXPECT_EQ(e.Message(), u"Illegal language index");
        }
    }
    EXPECT_EQ(info.LanguageIndex(), 0);
}

TEST(FileVersionInfo, RejectsBlocksWithoutVersionInformation)
{
    std::string good = TwoLanguageBlock(true);
    std::string wrongKey = Build(VNode{u"VS_VERSION_INFX", test::FixedBytes(1, 0, 0, 0), 0, -1, {}}, true);
    std::string wrongSignature = Build(Root(test::FixedBytes(1, 0, 0, 0, 0xFEEF04BC), {}), true);
    std::string shortFixed = Build(VNode{u"VS_VERSION_INFO", std::string(48, '\0'), 0, -1, {}}, true);
    std::string truncated = good.substr(0, good.size() - 10);
    std::string overlong = good;
    test::Put16(overlong, 0, uint16_t(good.size() + 100));  // the root claims more than the block
    VNode badTable{u"0409", "", 1, -1, {}};
    std::string shortKey = Build(Root(test::FixedBytes(1, 0, 0, 0), {{u"StringFileInfo", "", 1, -1, {badTable}}}), true);
    VNode badType = Item(u"Weird", u"x", true);
    badType.type = 2;
    std::string unknownType = Build(
        Root(test::FixedBytes(1, 0, 0, 0), {{u"StringFileInfo", "", 1, -1, {{u"040904B0", "", 1, -1, {badType}}}}}), true);
    VNode greedy = Item(u"Greedy", u"abc", true);
    greedy.valueLength = 400;  // more text than the node holds
    std::string overrun = Build(
        Root(test::FixedBytes(1, 0, 0, 0), {{u"StringFileInfo", "", 1, -1, {{u"040904B0", "", 1, -1, {greedy}}}}}), true);

    for (const std::string* block : {&wrongKey, &wrongSignature, &shortFixed, &truncated, &overlong, &shortKey, &unknownType,
                                      &overrun}) {
        try {
            TSysFileVersionInfo::Attach(block->data(), block->size());
            ADD_FAILURE() << "accepted block " << (block - &wrongKey);
        } catch (const ESysFileVersionInfoError& e) {
            EXPECT_EQ(e.Message(), u"File contains no version information");
        }
    }
    EXPECT_THROW(TSysFileVersionInfo::Attach(nullptr, 0), ESysFileVersionInfoError);
}

TEST(FileVersionInfo, StopsAtAnUnknownRootChild)
{
    const std::string block = Build(
        Root(test::FixedBytes(1, 0, 0, 0), {{u"Other", "", 1, -1, {}}, {u"StringFileInfo", "", 1, -1, {{u"040904B0", "", 1, -1, {Item(u"A", u"1", true)}}}}}),
        true);
    auto info = TSysFileVersionInfo::Attach(block.data(), block.size());
    EXPECT_EQ(info.LanguageCount(), 0);
    EXPECT_TRUE(info.Items().empty());
}

TEST(FileVersionInfo, FormatsLanguageIdsAndReadsFixedBlocks)
{
    EXPECT_EQ(TSysFileVersionInfo::VersionLanguageId({0x0804, 0x03A8}), u"080403A8");
    EXPECT_EQ(TSysFileVersionInfo::VersionLanguageId({0x0409, 0x04B0}), u"040904B0");
    const std::string block = TwoLanguageBlock(false);
    TVSFixedFileInfo fixed;
    ASSERT_TRUE(FixedInfoOfBlock(block.data(), block.size(), fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010002u);
    EXPECT_FALSE(FixedInfoOfBlock(block.data(), 3, fixed));
}

} // namespace
} // namespace support
