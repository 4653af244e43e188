// The options of the thread dialog, made on first use by the concrete dialog.
#include "support/extcomponent.h"

namespace support {

TCustomThreadDialogOptions& TCustomThreadDialog::DialogOptions()
{
    if (!FDialogOptions)
        FDialogOptions = CreateDialogOptions();
    return *FDialogOptions;
}

} // namespace support
