// The picture formats the class library can load, by file extension: each with its description and
// a maker of an empty picture object of its class. Units register their formats at start-up and
// remove them at shutdown; the table is touched on the GUI thread only.
#pragma once

#include "core/persistent.h"
#include "core/string.h"

#include <functional>
#include <memory>

namespace ui {

using PictureMaker = std::function<std::unique_ptr<core::Persistent>()>;

// ext without the dot, compared without regard to ASCII letter case; a second registration of an
// extension replaces the first.
void RegisterPictureFormat(core::StringView ext, core::StringView description, PictureMaker maker);
void UnregisterPictureFormat(core::StringView ext);
// The description of a registered extension, empty when none.
core::String PictureFormatDescription(core::StringView ext);
// A new picture of the extension's class, null when none is registered.
std::unique_ptr<core::Persistent> MakePicture(core::StringView ext);

} // namespace ui
