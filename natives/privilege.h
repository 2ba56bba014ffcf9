// Switching one privilege of the process token on or off, as the registry
// hive natives and the restart and process-list natives need it.
#pragma once

enum class PrivilegeState { kEnabled, kDisabled };

// True only when the system reports no error after the adjustment: a
// privilege the account does not hold ("not all assigned") counts as failed.
bool switchPrivilege(const wchar_t* name, PrivilegeState state);
