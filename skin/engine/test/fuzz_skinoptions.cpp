// Fuzz target: options text through the general-data reader, with the text after the first NUL as
// the application's common sections; every value through the mask-value parser; then the lookups
// and index fillers over the tables read. Only the conversion error may leave the readers.
#include "core/exception.h"
#include "core/inifile.h"
#include "core/string.h"
#include "core/stringlist.h"
#include "skin/engine/maskvalue.h"
#include "skin/engine/skinoptions.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t nul = bytes.find('\0');
    core::StringList options, common;
    options.SetText(core::FromUtf8(bytes.substr(0, nul)));
    if (nul != std::string_view::npos)
        common.SetText(core::FromUtf8(bytes.substr(nul + 1)));

    core::MemIniFile ini;
    ini.SetStrings(options);
    skin::SkinTables tables;
    skin::GeneralDataContext context;
    context.CommonSections = &common;
    context.Designing = size % 2 == 1;
    int messages = 0;
    context.ShowMessage = [&](core::StringView) { ++messages; };

    core::StringList sections, keys;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        ini.ReadSection(sections[s], keys);
        for (int k = 0; k < keys.Count(); ++k) {
            core::String value = ini.ReadString(sections[s], keys[k], {});
            skin::MaskForm form = skin::MaskFormOf(value);
            if (form == skin::MaskForm::None)
                continue;
            try {
                tables.ma.push_back(skin::ParseMaskValue(form, sections[s], keys[k], value, 90, 40));
            } catch (const core::EConvertError&) {
            }
        }
    }
    try {
        skin::LoadAllGeneralData(tables, ini, context);
    } catch (const core::EConvertError&) {
        return 0;
    }
    tables.InitConstantIndexes();
    for (size_t i = 0; i < tables.gd.size(); ++i) {
        const skin::SectionData& s = tables.gd[i];
        tables.GetMaskIndex(int(i), s.ClassName, u"BORDERSMASK");
        tables.GetTextureIndex(int(i), s.ClassName, u"PATTERN");
        tables.GetPatternIndex(int(i), s.ClassName, u"PATTERN");
    }
    for (size_t i = 0; i < tables.ma.size(); ++i) {
        tables.MaskWidthLeft(int(i));
        tables.MaskWidthRight(int(i));
        tables.MaskWidthTop(int(i));
        tables.MaskWidthBottom(int(i));
    }
    tables.GetHighLightFontColor();
    tables.GetGlobalColor();
    return 0;
}
