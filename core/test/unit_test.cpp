#include "core/unit.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace core;

namespace {

// Captures what reaches the application handler while a test runs.
struct HandlerCapture {
    std::vector<String> messages;
    HandlerCapture()
    {
        SetApplicationExceptionHandler([this](const std::exception& e) { messages.push_back(ExceptionMessage(e)); });
    }
    ~HandlerCapture() { SetApplicationExceptionHandler({}); }
};

// Adds a unit that logs "+name" and "-name", and fails where told to.
void AddUnit(UnitTable& table, std::vector<std::string>& log, const std::string& name, bool failInit = false,
             bool failFinal = false)
{
    table.Add(
        FromUtf8(name),
        [&log, name, failInit] {
            if (failInit)
                throw EInvalidOperation(FromUtf8(name + " failed"));
            log.push_back("+" + name);
        },
        [&log, name, failFinal] {
            log.push_back("-" + name);
            if (failFinal)
                throw EInvalidOperation(FromUtf8(name + " final failed"));
        });
}

} // namespace

TEST(UnitTable, InitialisesInOrderAndFinalisesInReverseOnce)
{
    std::vector<std::string> log;
    UnitTable table;
    AddUnit(table, log, "a");
    AddUnit(table, log, "b");
    table.Add(u"noop", {}, {});
    AddUnit(table, log, "c");
    table.InitializeAll();
    EXPECT_EQ(table.InitializedCount(), 4);
    EXPECT_TRUE(table.IsInitialized(2));
    EXPECT_EQ(table.Name(3), u"c");
    table.FinalizeAll();
    table.FinalizeAll(); // nothing left to do
    EXPECT_EQ(log, (std::vector<std::string>{"+a", "+b", "+c", "-c", "-b", "-a"}));
    EXPECT_FALSE(table.IsInitialized(0));
    EXPECT_THROW(table.Name(4), EListError);
}

TEST(UnitTable, AFailingInitialiserRollsBackTheOthers)
{
    struct Case { int failAt; std::vector<std::string> log; } cases[] = {
        {0, {}},
        {1, {"+a", "-a"}},
        {2, {"+a", "+b", "-b", "-a"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> log;
        UnitTable table;
        AddUnit(table, log, "a", c.failAt == 0);
        AddUnit(table, log, "b", c.failAt == 1);
        AddUnit(table, log, "c", c.failAt == 2);
        try {
            table.InitializeAll();
            ADD_FAILURE() << "no error";
        } catch (const EInvalidOperation& e) {
            EXPECT_EQ(e.Message(), FromUtf8(std::string(1, char('a' + c.failAt)) + " failed"));
        }
        EXPECT_EQ(log, c.log) << "failing unit " << c.failAt;
        EXPECT_EQ(table.InitializedCount(), 0);
    }
}

TEST(UnitTable, AFailingFinaliserDoesNotStopTheOthers)
{
    HandlerCapture handler;
    std::vector<std::string> log;
    {
        UnitTable table;
        AddUnit(table, log, "a");
        AddUnit(table, log, "b", false, true);
        AddUnit(table, log, "c");
        table.InitializeAll();
        // The destructor finalises.
    }
    EXPECT_EQ(log, (std::vector<std::string>{"+a", "+b", "+c", "-c", "-b", "-a"}));
    EXPECT_EQ(handler.messages, (std::vector<String>{u"b final failed"}));
}

TEST(UnitTable, UnitsAddedByAnInitialiserJoinTheRun)
{
    std::vector<std::string> log;
    UnitTable table;
    table.Add(u"first", [&] {
        log.push_back("+first");
        AddUnit(table, log, "late");
    }, [&] { log.push_back("-first"); });
    AddUnit(table, log, "second");
    table.InitializeAll();
    EXPECT_EQ(table.Count(), 3);
    // A second run initialises only what is new.
    AddUnit(table, log, "third");
    table.InitializeAll();
    table.FinalizeAll();
    EXPECT_EQ(log, (std::vector<std::string>{"+first", "+second", "+late", "+third", "-third", "-late", "-second",
                                             "-first"}));
}

TEST(UnitTable, RunningTheTableFromInsideAUnitIsRefused)
{
    UnitTable table;
    table.Add(u"reentrant", [&] { table.InitializeAll(); });
    EXPECT_THROW(table.InitializeAll(), EInvalidOperation);
    EXPECT_EQ(table.InitializedCount(), 0);
}
