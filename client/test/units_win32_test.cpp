// The program's unit table: every start-up runs once, in table order, the dial-up layer reads the
// operating-system kind from the live system, and the finalisations run in reverse order.
#include "client/test/clientfixture_win32.h"

#include "client/program/units.h"
#include "dialup/dialsubs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace client::test {
namespace {

using program::ProgramUnit;

TEST(ProgramUnits, StartInTableOrderReadTheSystemKindAndEndInReverse)
{
    std::vector<std::string> table;
    for (const ProgramUnit& unit : program::ProgramUnits())
        table.push_back(unit.name);
    // Libraries before the client that uses them; later modules add their lines between.
    const auto at = [&](const char* name) { return std::find(table.begin(), table.end(), name) - table.begin(); };
    // The JSON unit ends after every unit that could hold JSON values ("Memory leak" otherwise).
    EXPECT_EQ(table.front(), "jsonobject");
    ASSERT_LT(at("PingComponent"), at("client"));
    ASSERT_LT(at("dialsubs"), at("client"));
    ASSERT_LT(at("skin controls"), at("client"));
    EXPECT_EQ(table.back(), "client");

    // A kind the live system cannot have: the start-up must replace it.
    dialup::ScopedOSKind stale(dialup::OSW9x);
    dialup::OSVersion unread;
    unread.major = 0;
    dialup::SetOSVersionInfo(unread);

    std::vector<std::string> started, ended;
    program::InitialiseUnits([&](const ProgramUnit& unit) { started.push_back(unit.name); });
    // A second start-up does nothing: every unit starts once.
    program::InitialiseUnits([&](const ProgramUnit& unit) { started.push_back(unit.name); });
    EXPECT_EQ(started, table);
    EXPECT_EQ(dialup::RasOSKind(), dialup::OSVista);  // every 64-bit Windows is Vista or later
    EXPECT_TRUE(dialup::OSVersionInfo().nt);
    EXPECT_GE(dialup::OSVersionInfo().major, 6u);
    EXPECT_FALSE(str_apppath.empty());
    EXPECT_TRUE(str_apppath.back() == u'\\' || str_apppath.back() == u'/');

    program::FinaliseUnits([&](const ProgramUnit& unit) { ended.push_back(unit.name); });
    program::FinaliseUnits([&](const ProgramUnit& unit) { ended.push_back(unit.name); });
    EXPECT_EQ(ended, std::vector<std::string>(table.rbegin(), table.rend()));
}

} // namespace
} // namespace client::test
