package com.tolvanrix.runtime.launcher;

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
        LaunchSequence.run(args);
    }
}
