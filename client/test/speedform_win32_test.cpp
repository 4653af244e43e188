// Tests of the speed-test window: seven lines for scripted replies, time-outs, a node without a value,
// the buttons while the echoes run, an echo error, and seven live echoes over loopback.
#include "client/speedform.h"

#include "client/rawicmp.h"
#include "core/exception.h"
#include "ui/test/uitest.h"

#include <deque>
#include <functional>

using namespace client;

namespace {

// Answers from a script of reply statuses; an empty script raises like an unreachable host.
class ScriptedIcmpClient : public TIcmpClient {
public:
    void Ping() override
    {
        hosts.push_back(Host);
        timeouts.push_back(ReceiveTimeout);
        sizes.push_back(PacketSize);
        if (duringPing)
            duringPing();
        if (replies.empty())
            throw core::Exception(u"Unable to resolve " + Host);
        const IcmpReplyStatus status = replies.front();
        replies.pop_front();
        if (OnReply)
            OnReply(this, status);
    }

    std::deque<IcmpReplyStatus> replies;
    std::vector<core::String> hosts;
    std::vector<uint32_t> timeouts;
    std::vector<int> sizes;
    std::function<void()> duringPing;
};

class SpeedFormTest : public ui::test::UiTest {
protected:
    SpeedFormTest()
    {
        form = std::make_unique<TForm1>();
        auto client = std::make_unique<ScriptedIcmpClient>();
        icmp = client.get();
        form->SetIcmpClient(std::move(client));
        start = std::make_unique<ui::Button>();
    }

    std::vector<core::String> Lines()
    {
        std::vector<core::String> lines;
        for (int i = 0; i < form->ListBox1->Items().Count(); ++i)
            lines.push_back(form->ListBox1->Items()[i]);
        return lines;
    }

    std::unique_ptr<TForm1> form;
    ScriptedIcmpClient* icmp = nullptr;
    std::unique_ptr<ui::Button> start;
};

} // namespace

TEST_F(SpeedFormTest, WindowLayout)
{
    EXPECT_EQ(form->Caption(), u"速度测试");
    form->HandleNeeded();
    EXPECT_EQ(form->ClientWidth(), 254);
    EXPECT_EQ(form->ClientHeight(), 205);
    EXPECT_EQ(form->Button1->Caption(), u"重新测速");
    EXPECT_EQ(form->ListBox1->Width(), 245);
    EXPECT_FALSE(form->Visible());
}

TEST_F(SpeedFormTest, SevenLinesForRepliesAndTimeOuts)
{
    icmp->replies = {{0, false}, {35, false}, {1000, false}, {1002, true}, {35, false}, {999, false}, {0, true}};
    form->Measure({u"节点1", u"1.2.3.4,98%,1", 100, 50, start.get()});
    EXPECT_EQ(Lines(), (std::vector<core::String>{u"节点1:  time<1 ms", u"节点1:  time=35 ms", u"Request timed out.",
                                                  u"Request timed out.", u"节点1:  time=35 ms", u"节点1:  time=999 ms",
                                                  u"Request timed out."}));
    EXPECT_EQ(icmp->hosts, std::vector<core::String>(7, u"1.2.3.4"));
    EXPECT_EQ(icmp->timeouts, std::vector<uint32_t>(7, 1000u));
    EXPECT_EQ(icmp->sizes, std::vector<int>(7, 1024));
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->Left(), 400);
    EXPECT_EQ(form->Top(), 70);
    EXPECT_TRUE(start->Enabled());
    EXPECT_TRUE(form->Button1->Enabled());
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(SpeedFormTest, LabelIsTheNodeNameUpToItsComma)
{
    icmp->replies.assign(7, {12, false});
    form->Measure({u"华东,电信", u"5.6.7.8,95%,0", 0, 0, start.get()});
    EXPECT_EQ(Lines(), std::vector<core::String>(7, u"华东:  time=12 ms"));
}

TEST_F(SpeedFormTest, NodeWithoutValueGetsAMessageAndNoEcho)
{
    form->Measure({u"节点1", u"", 0, 0, start.get()});
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"发生错误，请关闭程序再重新运行");
    EXPECT_TRUE(icmp->hosts.empty());
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(start->Enabled());
}

TEST_F(SpeedFormTest, ButtonsAreDisabledWhileTheEchoesRunAndNoRunNests)
{
    icmp->replies.assign(7, {20, false});
    int remeasured = 0;
    form->OnRemeasure = [&](core::Object*) { ++remeasured; };
    std::vector<bool> states;
    icmp->duringPing = [&] {
        states.push_back(start->Enabled() || form->Button1->Enabled());
        form->Button1Click(form->Button1);  // "重新测速" pressed from within the message handling
        form->Measure({u"别的", u"9.9.9.9", 0, 0, start.get()});
    };
    form->Measure({u"节点1", u"1.2.3.4", 0, 0, start.get()});
    EXPECT_EQ(states, std::vector<bool>(7, false));
    EXPECT_EQ(remeasured, 0);
    EXPECT_EQ(icmp->hosts, std::vector<core::String>(7, u"1.2.3.4"));
    EXPECT_EQ(Lines().size(), 7u);

    // Afterwards the button empties the list and measures again.
    icmp->duringPing = nullptr;
    form->Button1->Click();
    EXPECT_EQ(remeasured, 1);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(SpeedFormTest, EchoErrorStopsTheRunAndReachesTheErrorReport)
{
    icmp->replies = {{5, false}, {6, false}};
    form->Measure({u"节点1", u"nowhere.invalid", 0, 0, start.get()});
    EXPECT_EQ(icmp->hosts.size(), 3u) << "the echo that failed was the last";
    EXPECT_EQ(Lines().size(), 2u);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], u"Unable to resolve nowhere.invalid");
    EXPECT_TRUE(start->Enabled());
    EXPECT_TRUE(form->Button1->Enabled());
}

TEST_F(SpeedFormTest, LiveEchoesOverLoopback)
{
    form->SetIcmpClient(std::make_unique<TRawIcmpClient>());
    form->Measure({u"本机", u"127.0.0.1,100%,1", 0, 0, start.get()});
    ASSERT_TRUE(m_errors.empty()) << core::ToUtf8(m_errors[0]);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 7u);
    for (const auto& line : lines)
        EXPECT_TRUE(line.starts_with(u"本机:  time")) << core::ToUtf8(line);
}
