// The utility interface's resource loading and the Windows sides of its system operations.
#include "core/win32.h"

#include "support/mystring.h"
#include "support/sysutil.h"

#include <gtest/gtest.h>

namespace {

using core::Ref;
using core::String;
using namespace support;

TEST(LoadFromResource, GivesTheLinesEachWithALineBreakAndLeavesTheText)
{
    Ref<Istrings4> s = core::MakeRef<strings4>(u"held");
    const std::uintptr_t self = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
    EXPECT_EQ(s->LoadFromResource(self, u"SUPPORTLINES", u"TESTTEXT"), u"alpha\r\nbeta\r\n\r\ngamma\r\n");
    EXPECT_EQ(s->LoadFromResource(0, u"supportlines", u"testtext"), u"alpha\r\nbeta\r\n\r\ngamma\r\n");
    EXPECT_EQ(s->GetText(), u"held");
    EXPECT_THROW(s->LoadFromResource(self, u"NOSUCHRESOURCE", u"TESTTEXT"), EResNotFound);
}

TEST(SystemOperations, EnvironmentAndShortPaths)
{
    Ref<Istrings4> s = core::MakeRef<strings4>(u"%windir%\\system32");
    const String windir = s->GetWindowsDir(false);
    EXPECT_FALSE(windir.empty());
    EXPECT_EQ(s->ExpandEnvironment(false), windir + u"\\system32");

    // An expansion longer than the first buffer is not cut.
    String longText;
    for (int i = 0; i < 200; ++i)
        longText += u"%windir%;";
    s->SetText(longText);
    EXPECT_GT(s->ExpandEnvironment(false).size(), 1024u);

    s->SetText(windir);
    EXPECT_FALSE(s->GetShortPath().empty());
}

} // namespace
