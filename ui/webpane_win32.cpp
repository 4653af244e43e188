// Choice of the web pane implementation.
#include "ui/webpane.h"

#include "ui/olewebpane.h"
#include "ui/textwebpane.h"

#include <cstdlib>
#include <cstring>

namespace ui {
namespace {

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

WebPane* CreateWebPane(core::Component* owner)
{
    const char* forced = std::getenv("CLIENT_WEBPANE");
    if ((forced && std::strcmp(forced, "text") == 0) || RunningOnWine() || !OleWebPane::Available())
        return new TextWebPane(owner);
    return new OleWebPane(owner);
}

} // namespace ui
