// Frames, as the frame bar opens them under its titles, and the adapter that skins them.
#pragma once

#include "skin/windows/frameadapter.h"
#include "ui/frame.h"

namespace skin {

using TFrame = ui::TFrame;
using TCustomFrame = ui::TFrame;

} // namespace skin
