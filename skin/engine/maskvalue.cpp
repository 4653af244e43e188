// Parser of the mask values of skin options documents.
#include "skin/engine/maskvalue.h"

#include "core/convert.h"
#include "skin/engine/utils.h"

#include <algorithm>

namespace skin {

namespace {

bool Contains(core::StringView s, core::StringView part) { return s.find(part) != core::StringView::npos; }

// The field at 1-based column pos of the given width; a value too short gives the text it has, so
// the conversion error names what was there.
int Column(core::StringView value, size_t pos, size_t width)
{
    core::StringView field = pos - 1 < value.size() ? value.substr(pos - 1, width) : core::StringView();
    return core::StrToInt(field);
}

// Margins from the image size when the skin gives none: a third of one state image each way. An
// ImageCount of 0 or a MaskType of -1 leaves no image to divide, so the margins stay 0.
void RuleA(MaskData& m)
{
    int across = m.ImageCount * 3, down = (m.MaskType + 1) * 3;
    m.WL = m.WR = int16_t(across > 0 ? RectWidth(m.R) / across : 0);
    m.WT = m.WB = int16_t(down > 0 ? RectHeight(m.R) / down : 0);
}

Rect ColumnRect(core::StringView v)
{
    return {Column(v, 2, 4), Column(v, 7, 4), Column(v, 12, 4), Column(v, 17, 4)};
}

} // namespace

void ApplyMarginRules(MaskData& m)
{
    if (m.BorderWidth != 0)
        m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    else
        RuleA(m);
}

MaskForm MaskFormOf(core::StringView value)
{
    if (value.empty())
        return MaskForm::None;
    switch (value[0]) {
    case u'!': {
        core::String file = NthWord(1, value, MakeCharSet("!"));
        return Contains(file, u".BMP") || Contains(file, u".PNG") ? MaskForm::OwnImage : MaskForm::None;
    }
    case u'@': return MaskForm::Glyph;
    case u'^': return MaskForm::Border;
    case u'~': return MaskForm::Texture;
    default: break;
    }
    if (Contains(value, u"#"))
        return value == u"#" ? MaskForm::None : MaskForm::Rectangle;
    return Contains(core::UpperCase(value), u".BMP") ? MaskForm::BitmapFile : MaskForm::None;
}

core::String MaskFileName(MaskForm form, core::StringView value)
{
    if (form == MaskForm::OwnImage)
        return NthWord(1, value, MakeCharSet("!"));
    if (form == MaskForm::BitmapFile)
        return core::UpperCase(value);
    return {};
}

MaskData ParseMaskValue(MaskForm form, core::StringView section, core::StringView key, core::StringView value,
                        int imageWidth, int imageHeight)
{
    MaskData m;
    FillMaskValue(m, form, section, key, value, imageWidth, imageHeight);
    return m;
}

void FillMaskValue(MaskData& m, MaskForm form, core::StringView section, core::StringView key, core::StringView value,
                   int imageWidth, int imageHeight)
{
    m.ClassName = core::String(section);
    m.PropertyName = core::String(key);
    switch (form) {
    case MaskForm::None: break;
    case MaskForm::OwnImage: {
        const CharSet bang = MakeCharSet("!");
        auto word = [&](int n) { return core::StrToInt(NthWord(n, value, bang)); };
        // A negative code means nothing; the plain border kind is the safe reading.
        m.ImgType = TacImgType(std::clamp(word(4), 0, 4));
        m.R = {0, 0, imageWidth, imageHeight};
        m.ImageCount = int16_t(word(2));
        m.MaskType = int16_t(word(3));
        m.DrawMode = 4;
        if (CountWords(value, bang) > 4) {
            m.WL = int16_t(word(5));
            m.WT = int16_t(word(6));
            m.WR = int16_t(word(7));
            m.WB = int16_t(word(8));
        } else {
            RuleA(m);
        }
        break;
    }
    case MaskForm::Glyph:
        m.R = ColumnRect(value);
        m.ImageCount = int16_t(Column(value, 22, 1));
        m.MaskType = int16_t(Column(value, 24, 1));
        m.ImgType = itisaGlyph;
        break;
    case MaskForm::Border:
        m.R = ColumnRect(value);
        m.WL = int16_t(Column(value, 22, 4));
        m.WT = int16_t(Column(value, 27, 4));
        m.WR = int16_t(Column(value, 32, 4));
        m.WB = int16_t(Column(value, 37, 4));
        m.ImageCount = int16_t(Column(value, 42, 1));
        m.MaskType = int16_t(Column(value, 44, 1));
        m.DrawMode = int16_t(Column(value, 46, 1));
        m.BorderWidth = int16_t(Column(value, 48, 1));
        if (m.WL == 0 && m.WT == 0 && m.WR == 0 && m.WB == 0)
            ApplyMarginRules(m);
        break;
    case MaskForm::Texture:
        m.R = ColumnRect(value);
        m.ImageCount = 1;
        m.DrawMode = int16_t(Column(value, 22, 2));
        m.MaskType = value.size() > 24 ? int16_t(Column(value, 25, 1)) : int16_t(0);
        m.ImgType = itisaTexture;
        break;
    case MaskForm::Rectangle: {
        m.ClassName = core::UpperCase(section);
        m.PropertyName = core::UpperCase(key);
        const CharSet words = MakeCharSet(" ()");
        const CharSet fields = MakeCharSet(", ");
        core::String rect = NthWord(2, value, words);
        core::String counts = NthWord(3, value, words);
        auto field = [&](const core::String& w, int n) { return core::StrToInt(NthWord(n, w, fields)); };
        m.R = {field(rect, 1), field(rect, 2), field(rect, 3), field(rect, 4)};
        m.ImageCount = int16_t(std::max(field(counts, 1), 1));
        m.MaskType = int16_t(std::max(field(counts, 2), 0));
        int n = CountWords(counts, fields);
        m.BorderWidth = int16_t(n > 2 ? std::max(field(counts, 3), 0) : 0);
        m.DrawMode = int16_t(n > 3 ? field(counts, 4) : 1);
        ApplyMarginRules(m);
        break;
    }
    case MaskForm::BitmapFile:
        m.ClassName = core::UpperCase(section);
        m.PropertyName = core::UpperCase(key);
        m.R = {0, 0, imageWidth, imageHeight};
        m.ImageCount = 3;
        m.MaskType = 1;
        RuleA(m);
        break;
    }
}

} // namespace skin
