// Shortcut texts and caption accelerators.
#include "ui/shortcut.h"

#include <array>

namespace ui {
namespace {

struct KeyName {
    uint16_t key;
    const char16_t* name;
};

// Names of the keys that are not a letter or digit; letters and digits are their own character.
constexpr std::array<KeyName, 24> kKeyNames{{
    {0x08, u"BkSp"}, {0x09, u"Tab"}, {0x0D, u"Enter"}, {0x1B, u"Esc"}, {0x20, u"Space"}, {0x21, u"PgUp"},
    {0x22, u"PgDn"}, {0x23, u"End"}, {0x24, u"Home"}, {0x25, u"Left"}, {0x26, u"Up"}, {0x27, u"Right"},
    {0x28, u"Down"}, {0x2D, u"Ins"}, {0x2E, u"Del"}, {0xBA, u";"}, {0xBB, u"="}, {0xBC, u","},
    {0xBD, u"-"}, {0xBE, u"."}, {0xBF, u"/"}, {0xC0, u"`"}, {0xDB, u"["}, {0xDD, u"]"},
}};

core::Char Upper(core::Char c) { return c >= u'a' && c <= u'z' ? core::Char(c - u'a' + u'A') : c; }

core::String KeyToText(uint16_t key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return core::String(1, core::Char(key));
    if (key >= 0x70 && key <= 0x87) // F1..F24
        return u"F" + core::IntToStr(key - 0x6F);
    for (const KeyName& k : kKeyNames)
        if (k.key == key)
            return k.name;
    return {};
}

bool StartsWithText(core::StringView text, core::StringView prefix)
{
    return text.size() >= prefix.size() && core::SameText(text.substr(0, prefix.size()), prefix);
}

} // namespace

ShortCut MakeShortCut(uint16_t key, unsigned shift)
{
    ShortCut result = ShortCut(key & 0xFF);
    if (shift & 1)
        result |= scShift;
    if (shift & 4)
        result |= scCtrl;
    if (shift & 2)
        result |= scAlt;
    return result;
}

core::String ShortCutToText(ShortCut shortcut)
{
    core::String name = KeyToText(shortcut & 0xFF);
    if (name.empty())
        return {};
    core::String text;
    if (shortcut & scShift)
        text += u"Shift+";
    if (shortcut & scCtrl)
        text += u"Ctrl+";
    if (shortcut & scAlt)
        text += u"Alt+";
    return text + name;
}

ShortCut TextToShortCut(core::StringView text)
{
    ShortCut modifiers = 0;
    for (;;) {
        if (StartsWithText(text, u"Shift+")) {
            modifiers |= scShift;
            text.remove_prefix(6);
        } else if (StartsWithText(text, u"Ctrl+")) {
            modifiers |= scCtrl;
            text.remove_prefix(5);
        } else if (StartsWithText(text, u"Alt+")) {
            modifiers |= scAlt;
            text.remove_prefix(4);
        } else {
            break;
        }
    }
    if (text.empty())
        return scNone;
    for (uint16_t key = 8; key <= 0xFF; ++key) {
        core::String name = KeyToText(key);
        if (!name.empty() && core::SameText(name, text))
            return ShortCut(modifiers | key);
    }
    return scNone;
}

core::Char GetHotkey(core::StringView caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return Upper(caption[i + 1]);
    }
    return 0;
}

bool IsAccel(core::Char key, core::StringView caption)
{
    core::Char hotkey = GetHotkey(caption);
    return hotkey != 0 && hotkey == Upper(key);
}

core::String StripHotkey(core::StringView caption)
{
    core::String result;
    result.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&')
                ++i;
            else
                continue;
        }
        result += caption[i];
    }
    return result;
}

} // namespace ui
