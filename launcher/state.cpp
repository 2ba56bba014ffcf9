// The single LauncherState instance.
#include "launcher/state.h"

LauncherState g_launcher;
