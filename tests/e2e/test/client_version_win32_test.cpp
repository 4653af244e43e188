// The skin engine's version switch: "/acver" (in any letter case) shows the version box before the
// login window; any other parameter, such as "/acver2", shows nothing and the client starts as
// always.
#include "tests/e2e/test/clienttest.h"

namespace e2e {
namespace {

TEST_F(ClientTest, VersionSwitchShowsTheVersionBoxAtStartUp)
{
    struct Case {
        const wchar_t* arguments;
        bool box;
    } cases[] = {{L"/acver", true}, {L"/ACVER", true}, {L"/acver2", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.arguments));
        Launch(kDialScenario, c.arguments);
        if (c.box) {
            auto box = WaitMessageBox(Pid(), 30s);
            ASSERT_TRUE(box) << "no version box";
            EXPECT_EQ(Utf8(box->text), "QuorraControls v6.48");
            ASSERT_TRUE(Answer(*box, IDOK));
        }
        LoginWindow login = WaitLogin();
        ASSERT_TRUE(login.Valid());
        EXPECT_TRUE(MessageBoxes(Pid()).empty());
    }
}

} // namespace
} // namespace e2e
