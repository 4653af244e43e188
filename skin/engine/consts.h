// The shared vocabulary of the skin engine: the empty background, the default scroll-bar arrow
// length, and the enumerations and types the painters, wrappers and controls share.
#pragma once

#include "skin/engine/commondata.h"
#include "skin/engine/utils.h"

#include <functional>
#include <vector>

namespace ui {
class Canvas;
}

namespace skin {

// Wherever a painter needs a background and none is known: not Ready, so only FillColor is read.
inline constexpr TCacheInfo EmptyCacheInfo{nullptr, -99, -99, 0, false};

// The system's width of a horizontal scroll-bar arrow, read when the engine starts.
int DefaultArrowLength();

enum TFadeDirection { fdNone, fdUp, fdDown };
enum TacBtnEvent : unsigned { beMouseEnter = 1, beMouseLeave = 2, beMouseDown = 4, beMouseUp = 8 };
using TacBtnEvents = unsigned;
enum TacAnimatEvent : unsigned { aeMouseEnter = 1, aeMouseLeave = 2, aeMouseDown = 4, aeMouseUp = 8, aeGlobalDef = 16 };
using TacAnimatEvents = unsigned;
enum TsDisabledKindFlag : unsigned { dkBlended = 1, dkGrayed = 2 };
using TsDisabledKind = unsigned;
enum TsDisabledGlyphKindFlag : unsigned { dgBlended = 1, dgGrayed = 2 };
using TsDisabledGlyphKind = unsigned;
using TPercent = int; // 0..100
// Rectangles from which window regions are cut.
using TAOR = std::vector<Rect>;
using TPaintEvent = std::function<void(core::Object* sender, ui::Canvas& canvas)>;
using TBmpPaintEvent = std::function<void(core::Object* sender, ui::Bitmap* bmp)>;

} // namespace skin
