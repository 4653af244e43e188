// Colours of the class library: an RGB value laid out $00BBGGRR or, with the high byte $FF, a system
// colour index that is looked up when the colour is used. clNone and clDefault are markers.
#pragma once

#include <cstdint>

namespace ui {

using Color = uint32_t;

constexpr Color clSystemColor = 0xFF000000u;
constexpr Color clNone = 0x1FFFFFFFu;
constexpr Color clDefault = 0x20000000u;

constexpr Color clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

// System colours (the index as GetSysColor takes it in the low byte).
constexpr Color clScrollBar = clSystemColor | 0, clBackground = clSystemColor | 1,
                clActiveCaption = clSystemColor | 2, clInactiveCaption = clSystemColor | 3,
                clMenu = clSystemColor | 4, clWindow = clSystemColor | 5, clWindowFrame = clSystemColor | 6,
                clMenuText = clSystemColor | 7, clWindowText = clSystemColor | 8,
                clCaptionText = clSystemColor | 9, clActiveBorder = clSystemColor | 10,
                clInactiveBorder = clSystemColor | 11, clAppWorkSpace = clSystemColor | 12,
                clHighlight = clSystemColor | 13, clHighlightText = clSystemColor | 14,
                clBtnFace = clSystemColor | 15, clBtnShadow = clSystemColor | 16, clGrayText = clSystemColor | 17,
                clBtnText = clSystemColor | 18, clInactiveCaptionText = clSystemColor | 19,
                clBtnHighlight = clSystemColor | 20, cl3DDkShadow = clSystemColor | 21,
                cl3DLight = clSystemColor | 22, clInfoText = clSystemColor | 23, clInfoBk = clSystemColor | 24,
                clHotLight = clSystemColor | 26, clGradientActiveCaption = clSystemColor | 27,
                clGradientInactiveCaption = clSystemColor | 28, clMenuHighlight = clSystemColor | 29,
                clMenuBar = clSystemColor | 30;

constexpr bool IsSystemColor(Color color) { return (color & 0xFF000000u) == clSystemColor; }

// The RGB value of a colour ($00BBGGRR): system colours resolved; clNone and clDefault give black;
// any other high byte is dropped.
uint32_t ColorToRGB(Color color);

} // namespace ui
