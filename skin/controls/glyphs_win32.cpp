// The push-button glyph list.
#include "skin/controls/glyphs.h"

#include "core/win32.h"

namespace skin {

namespace {

std::vector<ButtonGlyph>& List()
{
    static std::vector<ButtonGlyph> list;
    return list;
}

bool g_loaded = false;

} // namespace

void LoadButtonGlyphs()
{
    if (g_loaded)
        return;
    g_loaded = true;
    for (const wchar_t* name : {L"SF", L"SR", L"SD", L"SE", L"SC"}) {
        HRSRC info = FindResourceW(nullptr, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
        if (!info)
            continue;
        HGLOBAL block = LoadResource(nullptr, info);
        DWORD size = SizeofResource(nullptr, info);
        auto* bytes = block ? static_cast<const uint8_t*>(LockResource(block)) : nullptr;
        if (!bytes)
            continue;
        auto header = ReadPngHeader(bytes, size);
        if (!header)
            continue;
        ButtonGlyph glyph;
        glyph.Name = core::String(name, name + 2);
        glyph.Header = *header;
        glyph.Png.assign(reinterpret_cast<const char*>(bytes), size);
        List().push_back(std::move(glyph));
    }
}

void FreeButtonGlyphs()
{
    List().clear();
    g_loaded = false;
}

const std::vector<ButtonGlyph>& ButtonGlyphs() { return List(); }

} // namespace skin
