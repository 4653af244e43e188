// Key-data bits and dialog-code conversions of the extended controls.
#include "support/excontrols.h"

namespace support {

uint32_t ShiftStateToKeyData(unsigned shift)
{
    uint32_t data = 0;
    if (shift & 1u)
        data |= 0x08000000u;
    if (shift & 4u)
        data |= 0x10000000u;
    if (shift & 2u)
        data |= 0x20000000u;
    return data;
}

namespace {
struct Pair {
    TDlgCode code;
    uint32_t dlgc;
};
constexpr Pair kPairs[] = {
    {dcWantArrows, kDlgcWantArrows}, {dcWantTab, kDlgcWantTab},       {dcWantChars, kDlgcWantChars},
    {dcWantAllKeys, kDlgcWantAllKeys}, {dcButton, kDlgcDefPushButton}, {dcNative, kDlgcNativeMarker},
};
} // namespace

TDlgCodes DlgcToDialogCodes(uint32_t dlgc)
{
    TDlgCodes codes = 0;
    for (const Pair& pair : kPairs) {
        if (dlgc & pair.dlgc)
            codes |= pair.code;
    }
    return codes;
}

uint32_t DialogCodesToDlgc(TDlgCodes codes)
{
    uint32_t dlgc = 0;
    for (const Pair& pair : kPairs) {
        if (codes & pair.code)
            dlgc |= pair.dlgc;
    }
    return dlgc;
}

} // namespace support
