// The table of picture formats.
#include "ui/pictureformats.h"

#include <vector>

namespace ui {
namespace {

struct Format {
    core::String ext;
    core::String description;
    PictureMaker maker;
};

std::vector<Format>& Formats()
{
    static std::vector<Format> formats;
    return formats;
}

core::String Lower(core::StringView text)
{
    core::String out(text);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return out;
}

Format* Find(core::StringView ext)
{
    const core::String key = Lower(ext);
    for (Format& f : Formats())
        if (f.ext == key)
            return &f;
    return nullptr;
}

} // namespace

void RegisterPictureFormat(core::StringView ext, core::StringView description, PictureMaker maker)
{
    if (Format* f = Find(ext)) {
        f->description = core::String(description);
        f->maker = std::move(maker);
        return;
    }
    Formats().push_back(Format{Lower(ext), core::String(description), std::move(maker)});
}

void UnregisterPictureFormat(core::StringView ext)
{
    const core::String key = Lower(ext);
    std::erase_if(Formats(), [&](const Format& f) { return f.ext == key; });
}

core::String PictureFormatDescription(core::StringView ext)
{
    const Format* f = Find(ext);
    return f ? f->description : core::String();
}

std::unique_ptr<core::Persistent> MakePicture(core::StringView ext)
{
    const Format* f = Find(ext);
    return f && f->maker ? f->maker() : nullptr;
}

} // namespace ui
