// The connect dialog's label-set texts from the program's string table.
#include "data/access/connectdialog.h"

#include "core/win32.h"

namespace data {

String LoadLabelSetText(int Id)
{
    wchar_t buffer[50];
    const int length = LoadStringW(GetModuleHandleW(nullptr), UINT(Id), buffer, 50);
    return length > 0 ? String(reinterpret_cast<const char16_t*>(buffer), size_t(length)) : String();
}

} // namespace data
