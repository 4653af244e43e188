// Tests of the key-data bits, the dialog-code conversions and the thread dialog's options.
#include "support/excontrols.h"
#include "support/extcomponent.h"

#include <gtest/gtest.h>

using namespace support;

TEST(ExControls, ShiftStateGivesKeyDataBits)
{
    struct Case {
        unsigned shift;
        uint32_t data;
    } cases[] = {{0, 0}, {1, 0x08000000u}, {4, 0x10000000u}, {2, 0x20000000u}, {7, 0x38000000u}, {8, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(ShiftStateToKeyData(c.shift), c.data) << c.shift;
}

TEST(ExControls, DialogCodesRoundTrip)
{
    EXPECT_EQ(DlgcToDialogCodes(0x0001 | 0x0080), dcWantArrows | dcWantChars);
    EXPECT_EQ(DlgcToDialogCodes(0x2000), 0u) << "bits without a code are dropped";
    for (TDlgCodes codes = 0; codes < 64; ++codes)
        EXPECT_EQ(DlgcToDialogCodes(DialogCodesToDlgc(codes)), codes);
    EXPECT_EQ(DialogCodesToDlgc(dcWantAllKeys | dcButton | dcWantTab), 0x0004u | 0x0010u | 0x0002u);
}

TEST(ExControls, StructPtrMessageStartsWithNoResult)
{
    TStructPtrMessage message(0x400, 7, -3);
    EXPECT_EQ(message.Msg.Msg, 0x400u);
    EXPECT_EQ(message.Msg.WParam, 7u);
    EXPECT_EQ(message.Msg.LParam, -3);
    EXPECT_EQ(message.Msg.Result, 0);
}

TEST(ThreadDialogOptions, DefaultsAndNegativeDelay)
{
    TCustomThreadDialogOptions options(nullptr);
    EXPECT_EQ(options.ShowDelay(), 0);
    EXPECT_FALSE(options.ShowDialog());
    EXPECT_TRUE(options.ShowModal());
    options.SetShowDelay(-20);
    EXPECT_EQ(options.ShowDelay(), 0);
    options.SetShowDelay(300);
    EXPECT_EQ(options.ShowDelay(), 300);
}
