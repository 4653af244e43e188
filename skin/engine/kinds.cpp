// Control-kind tables of the skin state.
#include "skin/engine/kinds.h"

namespace skin {

namespace {

bool In(int kind, int low, int high) { return kind >= low && kind <= high; }

} // namespace

core::String DefaultSectionOf(int kind)
{
    if (In(kind, 2, 8) || kind == 10 || kind == 41 || kind == 76 || kind == 78 || kind == 83 || kind == 84 ||
        kind == 96 || kind == 97 || kind == 131 || kind == 140 || kind == 227)
        return u"EDIT";
    if (In(kind, 11, 18) || kind == 81 || kind == 82)
        return u"COMBOBOX";
    switch (kind) {
    case 19: return u"BAR";
    case 20: return u"BARTITLE";
    case 32: case 152: return u"CHECKBOX";
    case 33: return u"RADIOBUTTON";
    case 51: case 59: case 68: case 73: return u"PANEL";
    case 52: case 58: return u"PANEL_LOW";
    case 53: case 54: case 60: return u"TOOLBAR";
    case 56: return u"DRAGBAR";
    case 57: return u"TABSHEET";
    case 74: case 226: return u"GROUPBOX";
    case 75: return u"SPLITTER";
    case 92: case 95: return u"SPEEDBUTTON";
    case 93: case 94: return u"BUTTON";
    case 98: return u"TOOLBUTTON";
    case 141: case 143: return u"PAGECONTROL";
    case 151: return u"STATUSBAR";
    case 161: return u"GAUGE";
    case 165: return u"TRACKBAR";
    default: return {};
    }
}

bool IsEditKind(int kind)
{
    return In(kind, 2, 18) || kind == 41 || In(kind, 76, 84) || kind == 96 || kind == 97 || In(kind, 131, 140);
}

bool IsNoHotKind(int kind)
{
    return kind == 19 || In(kind, 51, 74) || kind == 110 || In(kind, 141, 161);
}

bool IsNoGlowKind(int kind)
{
    switch (kind) {
    case 51: case 52: case 54: case 56: case 57: case 58: case 59: case 60: case 68: case 73: case 74:
    case 110: case 141: case 143: case 151: case 161: case 226:
        return true;
    default:
        return false;
    }
}

} // namespace skin
