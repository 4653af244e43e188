// Registration of the skinned controls' published properties by name (ui/propinfo.h), made once at
// the controls' start-up (InitSkinControls). The common base "TControl" carries "Color" (a colour),
// "ParentColor", "Enabled" and "Visible"; every skinned control carries "SkinData" (its
// TsCommonData, with "CustomColor" and "CustomFont") and the ordinal, set and object properties of
// its own that are not strings.
#pragma once

#include "ui/propinfo.h"

namespace skin {

void RegisterSkinProperties();

} // namespace skin
