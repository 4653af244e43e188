// The connect dialog of a connection, filled with a user name and a server history, for a screenshot
// taken unattended: the dialog presses its own Cancel after the number of seconds given as the
// argument (default 10). The login history lives in memory, so the demo leaves nothing in the
// registry.
#include "data/access/access.h"
#include "data/access/connectform.h"
#include "data/access/test/logintesting.h"

#include "core/win32.h"

#include <cwchar>

using namespace data;
using namespace data::testing;

namespace {

// Ends the modal dialog from its own message loop, as the user's Cancel would.
VOID CALLBACK CloseDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (HWND dialog = FindWindowW(nullptr, L"Connect"))
        PostMessageW(dialog, WM_CLOSE, 0, 0);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int seconds = argc > 1 ? int(std::wcstol(argv[1], nullptr, 10)) : 10;
    InitAccessUnits();
    InstallConnectForm();
    {
        MemoryRegistryGuard registry;
        registry.Hive->Keys[u"Software\\ClientDemo\\Connect"] = {
            {u"Server 1", u"db1"}, {u"Server 2", u"reports.example.lan"}, {u"Server 3", u"localhost"}};
        TLoginConnection connection;
        connection.SetUsername(u"scott");
        connection.SetServer(u"db1");
        TTestConnectDialog dialog(u"Software\\ClientDemo\\");
        dialog.SetConnection(&connection);
        const UINT_PTR timer = SetTimer(nullptr, 0, UINT(seconds) * 1000, CloseDialog);
        dialog.Execute();
        KillTimer(nullptr, timer);
    }
    DoneAccessUnits();
    return 0;
}
