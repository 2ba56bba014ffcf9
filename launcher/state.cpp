// The single LauncherState instance.
#include "launcher/state.h"

LauncherState::LauncherState() = default;

LauncherState g_launcher;
