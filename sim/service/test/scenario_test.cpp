// Scenario rules: parsing and which request takes which rule.
#include "sim/service/scenario.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

TEST(Scenario, ParsesSelectorsAndActions) {
    Scenario s = Scenario::Parse(
        "# comment\n"
        "\n"
        "host=127.0.0.1 port=app path=netcheck.php call=1 status=503 body=no%20way\r\n"
        "  path=/zirovadi/useradmin/usercheck.php call=2-3 text=%E6%B5%8B delay=250\n"
        "path=* call=4- drop\n"
        "host=127.0.0.2 refuse\n"
        "host=127.0.0.1 port=content refuse\n"
        "path=vpnlist.php body= \n");
    const auto& rules = s.Rules();
    ASSERT_EQ(rules.size(), 6u);
    EXPECT_EQ(rules[0].line, 3);
    EXPECT_EQ(rules[0].host, "127.0.0.1");
    EXPECT_EQ(rules[0].port, Port::App);
    EXPECT_EQ(rules[0].path, "netcheck.php");
    EXPECT_EQ(rules[0].first_call, 1);
    EXPECT_EQ(rules[0].last_call, 1);
    EXPECT_EQ(rules[0].status, 503);
    EXPECT_EQ(rules[0].body, "no way");
    EXPECT_EQ(rules[1].body, "\xB2\xE2");  // 测 in code page 936
    EXPECT_EQ(rules[1].first_call, 2);
    EXPECT_EQ(rules[1].last_call, 3);
    EXPECT_EQ(rules[1].delay_ms, 250);
    EXPECT_FALSE(rules[1].status.has_value());
    EXPECT_TRUE(rules[2].drop);
    EXPECT_EQ(rules[2].first_call, 4);
    EXPECT_FALSE(rules[2].ReplacesAnswer());
    EXPECT_EQ(rules[5].body, "");  // an empty body is a body
    EXPECT_TRUE(rules[5].ReplacesAnswer());
}

TEST(Scenario, FirstMatchingRuleWins) {
    Scenario s = Scenario::Parse(
        "host=127.0.0.2 path=netcheck.php status=500\n"
        "path=netcheck.php call=2 body=x\n"
        "path=/zirovadi/useradmin/vpnlist.php delay=10\n");
    struct Case {
        const char* host;
        Port port;
        const char* path;
        int call;
        int line;  // 0: no rule
    } cases[] = {
        {"127.0.0.2", Port::App, "/zirovadi/useradmin/netcheck.php", 2, 1},
        {"127.0.0.1", Port::App, "/zirovadi/useradmin/netcheck.php", 2, 2},
        {"127.0.0.1", Port::App, "/zirovadi/useradmin/netcheck.php", 1, 0},
        {"127.0.0.1", Port::App, "/other/netcheck.php", 2, 2},  // a bare name is the last segment
        {"127.0.0.1", Port::App, "/zirovadi/useradmin/vpnlist.php", 9, 3},
        {"127.0.0.1", Port::App, "/zirovadi/useradmin/vpnlist.phpx", 1, 0},
    };
    for (const auto& c : cases) {
        const ScenarioRule* rule = s.Match(c.host, c.port, c.path, c.call);
        EXPECT_EQ(rule ? rule->line : 0, c.line) << c.host << c.path << c.call;
    }
}

TEST(Scenario, RefuseRulesCloseListenersOnly) {
    Scenario s = Scenario::Parse("host=127.0.0.2 refuse\nhost=127.0.0.1 port=content refuse\n");
    EXPECT_TRUE(s.Refuses("127.0.0.2", Port::App));
    EXPECT_TRUE(s.Refuses("127.0.0.2", Port::Content));
    EXPECT_TRUE(s.Refuses("127.0.0.1", Port::Content));
    EXPECT_FALSE(s.Refuses("127.0.0.1", Port::App));
    EXPECT_EQ(s.Match("127.0.0.2", Port::App, "/x", 1), nullptr);
}

TEST(Scenario, FaultsOfTheReplyAndSilentListeners) {
    Scenario s = Scenario::Parse(
        "path=netcheck.php status=302 location=http://127.0.0.1:8000/zirovadi/useradmin/netcheck.php\n"
        "path=usercheck.php trickle=1500\n"
        "path=vpnlist.php cut\n"
        "host=127.0.0.2 port=app silent\n");
    const auto& rules = s.Rules();
    ASSERT_EQ(rules.size(), 4u);
    EXPECT_EQ(rules[0].location, "http://127.0.0.1:8000/zirovadi/useradmin/netcheck.php");
    EXPECT_EQ(rules[1].trickle_ms, 1500);
    EXPECT_FALSE(rules[1].ReplacesAnswer());
    EXPECT_TRUE(rules[2].cut);
    EXPECT_TRUE(s.Silences("127.0.0.2", Port::App));
    EXPECT_FALSE(s.Silences("127.0.0.2", Port::Content));
    EXPECT_FALSE(s.Refuses("127.0.0.2", Port::App));
    EXPECT_EQ(s.Match("127.0.0.2", Port::App, "/x", 1), nullptr);
}

TEST(Scenario, NamesTheLineOfEveryError) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"path=a status=99", "line 1: status must be 100 to 599"},
        {"\npath=a status=abc", "line 2: status must be 100 to 599"},
        {"path=a call=0 status=200", "line 1: call range must start at 1 or later and not run backwards"},
        {"path=a call=3-2 status=200", "line 1: call range must start at 1 or later and not run backwards"},
        {"path=a call=x status=200", "line 1: call must be N, N-M, N- or *"},
        {"path=a delay=120001", "line 1: delay must be 0 to 120000 milliseconds"},
        {"path=a delay=-1", "line 1: delay must be 0 to 120000 milliseconds"},
        {"path=a body=%G1", "line 1: malformed percent escape in body at character 1"},
        {"path=a text=%FF", "line 1: text is not UTF-8 once unescaped"},
        {"path=a body=1 text=2", "line 1: body given twice"},
        {"path=a colour=red", "line 1: unknown word \"colour\""},
        {"path=a", "line 1: the rule does nothing (no status, body, text, delay, drop, trickle, cut, refuse or silent)"},
        {"path=a location=/b", "line 1: location goes with a status"},
        {"path=a trickle=0", "line 1: trickle must be 1 to 120000 milliseconds"},
        {"path=a cut drop", "line 1: drop, trickle and cut exclude each other"},
        {"path=a cut=1", "line 1: cut takes no value"},
        {"host=127.0.0.1 silent refuse", "line 1: refuse and silent exclude each other"},
        {"host=127.0.0.1 path=a silent", "line 1: silent goes with a host (and a port) only"},
        {"refuse", "line 1: refuse goes with a host (and a port) only"},
        {"host=127.0.0.1 path=a refuse", "line 1: refuse goes with a host (and a port) only"},
        {"host=127.0.0.1 port=both refuse", "line 1: port must be app or content"},
        {"path=a drop=1", "line 1: drop takes no value"},
        {"host= status=200", "line 1: host needs a value"},
    };
    for (const auto& c : cases) {
        try {
            Scenario::Parse(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EScenario& e) {
            EXPECT_STREQ(e.what(), c.error) << c.text;
        }
    }
}

} // namespace
} // namespace sim::service
