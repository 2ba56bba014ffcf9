package com.tolvanrix.runtime.installer.platform.win32;

/**
 * What the launcher told the platform layer about its natives. The launcher calls
 * {@link #initFromLauncher} with true just before it binds the natives of the platform classes and again
 * with false when binding failed; a runtime started without the launcher is never told.
 */
public final class Common {
    private static volatile Boolean nativesFromLauncher;

    private Common() {
    }

    static void initFromLauncher(boolean bound) {
        nativesFromLauncher = Boolean.valueOf(bound);
    }

    /** True when the launcher bound the natives, false when it tried and failed, null when it never tried. */
    public static Boolean nativesFromLauncher() {
        return nativesFromLauncher;
    }

    public static boolean nativesAvailable() {
        return Boolean.TRUE.equals(nativesFromLauncher);
    }
}
