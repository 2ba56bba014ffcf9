package com.tolvanrix.runtime.launcher;

/**
 * Test stand-in for the installer flavour's entry class that has no main method: the launcher must find
 * the class, miss the method and stop with its error instead of calling anything.
 */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void notMain(String[] args) {
        System.out.println("probe.nomain called");
    }
}
