// The push-button glyph list.
#include "skin/controls/glyphs.h"

#include "core/exception.h"
#include "skin/engine/pnggraphic.h"
#include "ui/rcdata.h"

#include <memory>

namespace skin {

namespace {

std::unique_ptr<TsAlphaImageList>& List()
{
    static std::unique_ptr<TsAlphaImageList> list;
    return list;
}

} // namespace

void LoadButtonGlyphs()
{
    if (List())
        return;
    auto list = std::make_unique<TsAlphaImageList>(nullptr, 48, 16);
    list->AfterConstruction();
    for (const char16_t* name : {u"SF", u"SR", u"SD", u"SE", u"SC"}) {
        std::optional<std::string> bytes = ui::FindRCData(nullptr, name);
        if (!bytes)
            continue;
        try {
            core::StringStream stream(std::move(*bytes));
            TPNGGraphic png;
            png.LoadFromStream(stream);
            // A 32-bit picture gives an icon whose mask is wholly opaque: the alpha alone shapes it.
            if (HICON icon = png.MakeIcon(false)) {
                list->AddIcon(icon);
                DestroyIcon(icon);
            }
        } catch (const core::Exception&) {
            // Left out, as a missing one is.
        }
    }
    List() = std::move(list);
}

void FreeButtonGlyphs() { List().reset(); }

TsAlphaImageList* ButtonGlyphs() { return List().get(); }

} // namespace skin
