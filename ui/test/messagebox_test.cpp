// The message box service and its scripted answerer.
#include "ui/messagebox.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(MessageBoxes, ScriptedAnswererRecordsCallsAndAnswersInOrder)
{
    ScriptedMessageBox box;
    MessageBoxServiceGuard guard(box);
    box.Answer(idNo);
    box.Answer(idYes);
    EXPECT_EQ(MessageBox(u"VPN正在连接,关闭将断开VPN连接,你确定要关闭吗", u"客户端", mbYesNo | mbIconQuestion), idNo);
    EXPECT_EQ(MessageBox(u"again", u"客户端", mbYesNo | mbIconQuestion), idYes);
    EXPECT_EQ(MessageBox(u"账号不能为空", u"客户端", mbOK | mbIconWarning), idOK); // script empty: default button
    ASSERT_EQ(box.Calls().size(), 3u);
    EXPECT_EQ(box.Calls()[0].text, u"VPN正在连接,关闭将断开VPN连接,你确定要关闭吗");
    EXPECT_EQ(box.Calls()[0].caption, u"客户端");
    EXPECT_EQ(box.Calls()[0].flags, 36u);
    EXPECT_EQ(box.Calls()[2].flags, 48u);
}

TEST(MessageBoxes, DefaultButtonFollowsTheDefaultButtonFlag)
{
    struct Case {
        unsigned flags;
        int answer;
    };
    for (const Case& c : {Case{mbOK, idOK}, Case{mbYesNo, idYes}, Case{mbYesNo | mbDefButton2, idNo},
                          Case{mbYesNoCancel | mbDefButton3, idCancel}, Case{mbOKCancel | mbDefButton2, idCancel},
                          Case{0xF, idOK}})
        EXPECT_EQ(ScriptedMessageBox::DefaultButton(c.flags), c.answer) << c.flags;
}

TEST(MessageBoxes, GuardPutsThePreviousServiceBack)
{
    ScriptedMessageBox outer, inner;
    MessageBoxServiceGuard a(outer);
    {
        MessageBoxServiceGuard b(inner);
        MessageBox(u"inner", u"", mbOK);
    }
    MessageBox(u"outer", u"", mbOK);
    ASSERT_EQ(inner.Calls().size(), 1u);
    ASSERT_EQ(outer.Calls().size(), 1u);
    EXPECT_EQ(outer.Calls()[0].text, u"outer");
}

} // namespace
} // namespace ui
