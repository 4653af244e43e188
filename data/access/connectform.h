// The connect dialog's window (Windows build): user name, password and server with the server list,
// the dialog's six texts, Connect and Cancel. Connect puts the values into the connection and
// connects; a failure shows the provider's message and allows another try, Retries attempts in all.
#pragma once

namespace data {

class TCustomConnectDialog;

// Shows the window modally for Dialog; true when the connection connected.
bool ShowConnectForm(TCustomConnectDialog& Dialog);
// Makes ShowConnectForm the unit's display procedure, so that connections prompt with it.
void InstallConnectForm();

} // namespace data
