// The system-utility family against the platform: version resources of real files, the window
// based reader, and the character tables beside the platform's own answers.
#include "core/win32.h"

#include "support/chartables.h"
#include "support/fileversion.h"
#include "support/syserror.h"

#include <gtest/gtest.h>

#include <functional>

namespace support {
namespace {

core::String ProgramFile()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return reinterpret_cast<const char16_t*>(path);
}

void ExpectTestProgramVersion(const TSysFileVersionInfo& info)
{
    EXPECT_EQ(info.BinFileVersion(), u"3.1.4.15");
    EXPECT_EQ(info.BinProductVersion(), u"2.7.1.8");
    EXPECT_EQ(info.CompanyName(), u"Support Test Works");
    EXPECT_EQ(info.FileVersionBuild(), u"15");
    EXPECT_EQ(info.ProductVersionMinor(), u"");
    EXPECT_EQ(info.ProductVersionBuild(), u"7");
    EXPECT_EQ(info.LanguageCount(), 2);
    EXPECT_EQ(info.TranslationCount(), 2);
    EXPECT_TRUE(info.TranslationMatchesLanguages(true));
    EXPECT_TRUE(HasFlag(info.FileFlags(), ffPreRelease));
    EXPECT_TRUE(HasFlag(info.FileFlags(), ffSpecialBuild));
    EXPECT_FALSE(HasFlag(info.FileFlags(), ffDebug));
    EXPECT_EQ(info.SpecialBuild(), u"nightly");
}

TEST(FileVersionInfoWin32, ReadsTheTestProgram)
{
    TSysFileVersionInfo info(ProgramFile());
    ExpectTestProgramVersion(info);
    TSysFileVersionInfo copy = info;
    copy.SetLanguageIndex(1);
    EXPECT_EQ(copy.CompanyName(), u"Second Table");
    ExpectTestProgramVersion(TSysFileVersionInfo::FromModule(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))));

    TVSFixedFileInfo fixed;
    ASSERT_TRUE(ReadFixedVersionInfo(ProgramFile(), fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00030001u);
    EXPECT_EQ(ModuleFileName(0), ProgramFile());
    EXPECT_FALSE(TSysFileVersionInfo::VersionLanguageName(0x0409).empty());
}

TEST(FileVersionInfoWin32, ReadsTheSystemLibrary)
{
    TSysFileVersionInfo info(u"kernel32.dll");
    EXPECT_GE(info.LanguageCount(), 1);
    EXPECT_FALSE(info.FileVersion().empty());
    EXPECT_FALSE(info.FileVersionMajor().empty());
    TVSFixedFileInfo fixed;
    EXPECT_TRUE(ReadFixedVersionInfo(u"kernel32.dll", fixed));
    EXPECT_EQ(fixed.dwSignature, kFixedInfoSignature);
}

TEST(FileVersionInfoWin32, ReportsFilesAndHandlesWithoutVersions)
{
    const struct {
        std::function<void()> make;
        const char16_t* message;
    } cases[] = {
        {[] { TSysFileVersionInfo info(u"C:\\no\\such\\file.exe"); }, u"File contains no version information"},
        {[] { TSysFileVersionInfo::FromWindow(0); }, u"The window with handle 0 is not valid"},
        {[] { TSysFileVersionInfo::FromModule(0); }, u"The Module with handle 0 is not valid"},
    };
    for (const auto& c : cases) {
        try {
            c.make();
            ADD_FAILURE() << core::ToUtf8(c.message);
        } catch (const ESysError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    TVSFixedFileInfo fixed;
    EXPECT_FALSE(ReadFixedVersionInfo(u"C:\\no\\such\\file.exe", fixed));
}

TEST(FileVersionInfoWin32, ReadsTheProgramOfAWindow)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"version", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    struct Destroy {
        HWND w;
        ~Destroy() { DestroyWindow(w); }
    } guard{window};
    ExpectTestProgramVersion(TSysFileVersionInfo::FromWindow(reinterpret_cast<std::uintptr_t>(window)));
}

TEST(SysWin32ErrorWin32, TakesItsTextFromTheStringTable)
{
    SetLastError(ERROR_ACCESS_DENIED);
    const ESysWin32Error error = ESysWin32Error::FromResource(4711);
    EXPECT_EQ(error.LastError(), uint32_t(ERROR_ACCESS_DENIED));
    EXPECT_EQ(error.Message(), u"Win32 error: " + error.LastErrorMsg() + u" (5)\r\nThe shared block could not be reached");
}

TEST(SysWin32ErrorWin32, TakesItsTextFromAResourceStringRecord)
{
    const auto self = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
    const struct {
        ESysWin32Error::ResStringRec text;
        const char16_t* expected;
    } cases[] = {
        {{self, 4711}, u"The shared block could not be reached"},
        {{0, 4711}, u"The shared block could not be reached"},
        {{self, 4712}, u""}, // no such string: the message ends after its line break
    };
    for (const auto& c : cases) {
        SetLastError(ERROR_ACCESS_DENIED);
        const ESysWin32Error error = ESysWin32Error::FromResource(c.text);
        EXPECT_EQ(error.LastError(), uint32_t(ERROR_ACCESS_DENIED));
        EXPECT_EQ(error.Message(), u"Win32 error: " + error.LastErrorMsg() + u" (5)\r\n" + c.expected);
    }
}

TEST(CharTablesWin32, AgreeWithThePlatform)
{
    for (uint32_t c : {0x41u, 0x61u, 0xC4u, 0xE4u, 0x416u, 0x436u, 0x6C49u, 0x31u, 0xDFu, 0xFF21u}) {
        const wchar_t w = wchar_t(c);
        EXPECT_EQ(IsWideUpperChar(char16_t(c)), IsCharUpperW(w) != 0) << c;
        EXPECT_EQ(IsWideLowerChar(char16_t(c)), IsCharLowerW(w) != 0) << c;
        wchar_t upper[2] = {w, 0};
        CharUpperBuffW(upper, 1);
        EXPECT_EQ(WideCaseMap()[kWideUpperSection + c], char16_t(upper[0])) << c;
    }
    EXPECT_EQ(UpperCaseCopy(u"\u00DF"), u"\u00DF");
    ReadAnsiReplacementChar();
    EXPECT_EQ(AnsiReplacementChar(), '?');
    EXPECT_EQ(LocaleCodePage(LOCALE_SYSTEM_DEFAULT), GetACP());
}

} // namespace
} // namespace support
