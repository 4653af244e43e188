// Small routines of the skinning code.
#include "skin/engine/utils.h"

#include "core/convert.h"

#include <cmath>
#include <memory>

namespace skin {

int RectWidth(const Rect& r, bool noNegative)
{
    int w = r.Right - r.Left;
    return noNegative && w < 0 ? 0 : w;
}

int RectHeight(const Rect& r, bool noNegative)
{
    int h = r.Bottom - r.Top;
    return noNegative && h < 0 ? 0 : h;
}

bool RectOverlaps(const Rect& outer, const Rect& r)
{
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return false;
    return r.Left < outer.Right && r.Right > outer.Left && r.Top < outer.Bottom && r.Bottom > outer.Top;
}

bool RectInsideRect(const Rect& outer, const Rect& inner)
{
    auto inside = [&](int x, int y) { return x >= outer.Left && x <= outer.Right && y >= outer.Top && y <= outer.Bottom; };
    return inside(inner.Left, inner.Top) && inside(inner.Right, inner.Bottom);
}

int ClampByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

uint32_t BlendColors(uint32_t c1, uint32_t c2, double level)
{
    uint32_t result = c1 & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        double a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
        // Ties to even, like every other rounding of the engine (the default rounding mode).
        result |= uint32_t(ClampByte(int(std::nearbyint(a * level + b * (1 - level))))) << shift;
    }
    return result;
}

void SplitIniSections(const core::StringList& lines, core::StringList& sections)
{
    sections.Clear();
    sections.SetOwnsObjects(true);
    core::StringList* current = nullptr;
    for (int i = 0; i < lines.Count(); ++i) {
        const core::String line = lines.Get(i);
        if (line.empty() || line[0] == u';')
            continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            auto list = std::make_unique<core::StringList>();
            current = list.get();
            sections.AddObject(line.substr(1, line.size() - 2), list.release());
            continue;
        }
        if (current)
            current->Add(line);
    }
}

core::String ReadSectionString(const core::StringList& sections, core::StringView section, core::StringView key,
                               core::StringView fallback)
{
    int index = sections.IndexOf(section);
    if (index < 0)
        return core::String(fallback);
    auto* list = dynamic_cast<core::StringList*>(sections.Objects(index));
    if (!list)
        return core::String(fallback);
    int line = list->IndexOfName(key);
    if (line < 0)
        return core::String(fallback);
    return list->ValueFromIndex(line);
}

int ReadSectionInteger(const core::StringList& sections, core::StringView section, core::StringView key, int fallback)
{
    core::String text = ReadSectionString(sections, section, key, u"");
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text = u"$" + text.substr(2);
    int32_t value = 0;
    return core::TryStrToInt(text, value) ? value : fallback;
}

CharSet MakeCharSet(std::string_view chars)
{
    CharSet set;
    for (unsigned char ch : chars)
        set.set(ch);
    return set;
}

namespace {

bool IsDelim(core::Char ch, const CharSet& delims, bool ansi)
{
    if (ansi)
        return ch <= 255 && delims.test(ch);
    return ch <= 0x44F && delims.test(ch & 0xFF);
}

int WordStart(int n, core::StringView s, const CharSet& delims, bool ansi)
{
    int count = 0;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsDelim(s[i], delims, ansi))
            ++i;
        if (i >= s.size())
            break;
        if (++count == n)
            return int(i) + 1;
        while (i < s.size() && !IsDelim(s[i], delims, ansi))
            ++i;
    }
    return 0;
}

int Count(core::StringView s, const CharSet& delims, bool ansi)
{
    int count = 0;
    bool inWord = false;
    for (core::Char ch : s) {
        bool d = IsDelim(ch, delims, ansi);
        if (!d && !inWord)
            ++count;
        inWord = !d;
    }
    return count;
}

} // namespace

int NthWordStart(int n, core::StringView s, const CharSet& delims) { return WordStart(n, s, delims, false); }
int NthWordStartAnsi(int n, core::StringView s, const CharSet& delims) { return WordStart(n, s, delims, true); }

core::String NthWord(int n, core::StringView s, const CharSet& delims)
{
    int start = NthWordStartAnsi(n, s, delims);
    if (start == 0)
        return {};
    size_t i = size_t(start - 1), end = i;
    while (end < s.size() && !IsDelim(s[end], delims, true))
        ++end;
    return core::String(s.substr(i, end - i));
}

int CountWords(core::StringView s, const CharSet& delims) { return Count(s, delims, false); }
int CountWordsAnsi(core::StringView s, const CharSet& delims) { return Count(s, delims, true); }

core::String DeleteChars(core::StringView s, core::Char ch)
{
    core::String result;
    for (core::Char c : s)
        if (c != ch)
            result += c;
    return result;
}

core::String ReplaceAll(core::StringView s, core::StringView find, core::StringView repl)
{
    if (find.empty())
        return core::String(s);
    core::String result;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(find, pos);
        if (hit == core::StringView::npos)
            break;
        result.append(s.substr(pos, hit - pos));
        result.append(repl);
        pos = hit + find.size();
    }
    result.append(s.substr(pos));
    return result;
}

core::String NormalizeDirPath(core::StringView s)
{
    core::String result(s);
    if (result.empty() || result.back() == u'\\')
        return result;
    if (result.back() == u'/') {
        result.back() = u'\\';
        return result;
    }
    if (result.size() == 1)
        return result + u":\\";
    return result + u"\\";
}

core::String CutTextToWidth(core::StringView text, int width, const std::function<int(core::StringView)>& measure)
{
    if (width <= 0)
        return {};
    if (measure(text) <= width)
        return core::String(text);
    core::String body(text);
    while (!body.empty()) {
        body.pop_back();
        core::String candidate = body + u"...";
        if (measure(candidate) <= width)
            return candidate;
    }
    return measure(u"...") <= width ? core::String(u"...") : core::String();
}

} // namespace skin
