// Restarting Windows: the reboot mode of the executable and the restart that
// the deferred deletion may ask for.
#pragma once

// Enables the shutdown privilege and asks for a reboot; false when the token
// cannot be opened, the privilege is not granted or the request fails.
bool restartWindows();
// The "__tlx_reboot" mode: waits five seconds, then restartWindows().
void rebootMachine();
