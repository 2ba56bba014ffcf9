package com.tolvanrix.api.windows;

import com.tolvanrix.runtime.launcher.StartMarker;

/**
 * Tells the launcher that started this installer that the start is over, so that it removes its progress
 * dialog now. The runtime does so by itself once the installer's first AWT window shows; an installer
 * that shows no window (a console installer) or shows its own kind of window calls {@link #ready()}.
 */
public final class InstallerStart {
    private InstallerStart() {
    }

    /** Returns true when a launcher was waiting and has been told; calling it again does nothing. */
    public static boolean ready() {
        return StartMarker.ready();
    }
}
