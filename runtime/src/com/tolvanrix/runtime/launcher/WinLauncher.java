package com.tolvanrix.runtime.launcher;

import com.tolvanrix.runtime.installer.platform.win32.Common;

/**
 * Entry class of the installer flavour: the launcher calls main with the launcher arguments. Only this
 * flavour has the launcher's natives, and with them the launcher's progress dialog waiting for the
 * installer's first window.
 */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void main(String[] args) throws Throwable {
        StartMarker.watchFirstWindow();
        ExtractionCleanup.startThroughLauncher(Common.nativesAvailable());
        LaunchSequence.run(args);
    }
}
