// Message helpers of the extended controls: a message record passed by address, the key-data bits of
// a shift state, and the conversion between the system's dialog codes and the set a form wants.
#pragma once
#include <cstdint>

namespace support {

// One message record (the result starts at 0), for passing a record by address through a message.
class TStructPtrMessage {
public:
    struct Record {
        uint32_t Msg = 0;
        uintptr_t WParam = 0;
        intptr_t LParam = 0;
        intptr_t Result = 0;
    };
    TStructPtrMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) : Msg{msg, wParam, lParam, 0} {}
    Record Msg;
};

// Shift state bits as ui::ShiftState has them (ssShift 1, ssAlt 2, ssCtrl 4).
uint32_t ShiftStateToKeyData(unsigned shift);

// The dialog codes a form can want.
enum TDlgCode : unsigned {
    dcWantArrows = 1u << 0,
    dcWantTab = 1u << 1,
    dcWantChars = 1u << 2,
    dcWantAllKeys = 1u << 3,
    dcButton = 1u << 4,   // the default push button
    dcNative = 1u << 5,   // use the system control's own answer
};
using TDlgCodes = unsigned;

// The system's DLGC_* bits; the native marker is a bit the system does not use.
inline constexpr uint32_t kDlgcWantArrows = 0x0001, kDlgcWantTab = 0x0002, kDlgcWantAllKeys = 0x0004,
                          kDlgcDefPushButton = 0x0010, kDlgcWantChars = 0x0080, kDlgcNativeMarker = 0x80000000u;

TDlgCodes DlgcToDialogCodes(uint32_t dlgc);
uint32_t DialogCodesToDlgc(TDlgCodes codes);

} // namespace support
