// The manager's animation settings and class lists: defaults, the lists parsed from the published
// texts and written back, and which values are stored.
#include "skin/engine/effects.h"

#include "ui/propinfo.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(Effects, NewAnimationSettingsAndWhatIsStored)
{
    RegisterEffectsProperties();
    TacAnimEffects effects;
    EXPECT_EQ(effects.Buttons->Events, 0x0Fu);
    const TacFormAnimation* all[] = {effects.FormShow.get(), effects.DialogShow.get(), effects.PageChange.get(),
                                     effects.SkinChanging.get()};
    for (const TacFormAnimation* a : all) {
        SCOPED_TRACE(core::ToUtf8(a->ClassName()));
        EXPECT_TRUE(a->Active);
        EXPECT_EQ(a->Time, a == effects.SkinChanging.get() ? 100 : 0);
        EXPECT_FALSE(ui::IsStoredProperty(a, u"Time"));
        EXPECT_FALSE(ui::IsStoredProperty(a, u"Active"));
    }
    EXPECT_FALSE(ui::IsStoredProperty(effects.Buttons.get(), u"Events"));
    EXPECT_EQ(ui::GetSetProperty(effects.Buttons.get(), u"Events"), u"beMouseEnter,beMouseLeave,beMouseDown,beMouseUp");

    effects.SkinChanging->Time = 0;
    effects.FormShow->Time = 100;
    EXPECT_TRUE(ui::IsStoredProperty(effects.SkinChanging.get(), u"Time"));
    EXPECT_TRUE(ui::IsStoredProperty(effects.FormShow.get(), u"Time"));
    ui::SetOrdProperty(effects.DialogShow.get(), u"Active", 0);
    EXPECT_FALSE(effects.DialogShow->Active);
    EXPECT_TRUE(ui::IsStoredProperty(effects.DialogShow.get(), u"Active"));
    EXPECT_EQ(ui::GetObjectProperty(&effects, u"SkinChanging"), effects.SkinChanging.get());
}

TEST(Effects, DefaultClassListsFillEmptyTypesOnly)
{
    ThirdPartyList third;
    third.WriteClasses(1, u"TMyButton");
    ThirdLists lists = MakeThirdLists();
    UpdateThirdLists(third, lists, false);

    EXPECT_EQ(third.ReadClasses(0), u"TEdit\r\nTMemo\r\nTMaskEdit\r\nTLabeledEdit\r\nTHotKey\r\nTListBox\r\n"
                                    u"TCheckListBox\r\nTRichEdit\r\nTDateTimePicker");
    ASSERT_EQ(lists[0]->Count(), 9);
    EXPECT_EQ((*lists[0])[0], u"TEdit");
    EXPECT_EQ((*lists[0])[8], u"TDateTimePicker");
    // The user's own list stays.
    ASSERT_EQ(lists[1]->Count(), 1);
    EXPECT_EQ((*lists[1])[0], u"TMyButton");
    // A single blank keeps the list non-empty and matches no class.
    for (int type : {10, 11, 12}) {
        ASSERT_EQ(lists[size_t(type)]->Count(), 1) << type;
        EXPECT_EQ((*lists[size_t(type)])[0], u" ");
    }
    EXPECT_EQ(third.ReadClasses(13), u"TPageControl");
    EXPECT_EQ(third.ReadClasses(17), u"TSpeedButton");
    EXPECT_EQ(StdSkinTypeNames[17], u"SpeedButton");

    UpdateThirdLists(third, lists, true);
    EXPECT_EQ((*lists[1])[0], u"TButton");
}

TEST(Effects, ListsAreWrittenBackLineByLine)
{
    ThirdPartyList third;
    ThirdLists lists = MakeThirdLists();
    UpdateThirdLists(third, lists, false);
    lists[8]->Add(u"TMyPanel");
    StoreThirdLists(third, lists);
    EXPECT_EQ(third.ReadClasses(8), u"TPanel\r\nTMyPanel\r\n");
    EXPECT_EQ(third.ReadClasses(10), u" \r\n");
}

TEST(Effects, ClassListsByPropertyName)
{
    RegisterEffectsProperties();
    ThirdPartyList third;
    struct Case {
        const char16_t* name;
        int index;
    } cases[] = {{u"ThirdEdits", 0}, {u"ThirdGroupBoxes", 6}, {u"ThirdGrids", 5}, {u"ThirdComboBoxes", 4},
                 {u"ThirdVirtualTrees", 12}, {u"ThirdGridEh", 11}, {u"ThirdPageControl", 13}, {u"ThirdSpeedButton", 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.name));
        ui::SetStrProperty(&third, c.name, u"TMine");
        EXPECT_EQ(third.ReadClasses(c.index), u"TMine");
        EXPECT_EQ(ui::GetStrProperty(&third, c.name), u"TMine");
        EXPECT_TRUE(ui::IsStoredProperty(&third, c.name));
    }
    EXPECT_EQ(ui::GetStrProperty(&third, u"ThirdNothing"), u"");
}

TEST(Effects, ClassIndexesOutsideTheTypesAreIgnored)
{
    ThirdPartyList third;
    third.WriteClasses(18, u"TX");
    third.WriteClasses(-1, u"TX");
    for (int i = 0; i < kSkinTypeCount; ++i)
        EXPECT_TRUE(third.ReadClasses(i).empty()) << i;
    EXPECT_TRUE(third.ReadClasses(18).empty());
}

} // namespace
} // namespace skin
