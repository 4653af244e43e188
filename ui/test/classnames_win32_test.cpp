// Standard classes report the class names that code reaching controls by name compares.
#include "ui/bitmap.h"
#include "ui/button.h"
#include "ui/edit.h"
#include "ui/imagelist.h"
#include "ui/label.h"
#include "ui/memo.h"
#include "ui/panel.h"
#include "ui/speedbutton.h"
#include "ui/statusbar.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ClassNames, StandardClassesReportTheirNames)
{
    Edit edit;
    Memo memo;
    Panel panel;
    Button button;
    Label label;
    SpeedButton speed;
    StatusBar status;
    Bitmap bitmap;
    ImageList list;
    const std::pair<const core::Object*, const char16_t*> cases[] = {
        {&edit, u"TEdit"}, {&memo, u"TMemo"}, {&panel, u"TPanel"}, {&button, u"TButton"}, {&label, u"TLabel"},
        {&speed, u"TSpeedButton"}, {&status, u"TStatusBar"}, {&bitmap, u"TBitmap"}, {&list, u"TImageList"},
    };
    for (auto [object, name] : cases)
        EXPECT_EQ(object->ClassName(), name);
}

} // namespace
} // namespace ui
