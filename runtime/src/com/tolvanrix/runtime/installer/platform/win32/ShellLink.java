package com.tolvanrix.runtime.installer.platform.win32;

/** Shortcut files and shell notifications; implemented by the launcher executable. */
public final class ShellLink {
    private ShellLink() {
    }

    public static native boolean createWide0(String linkFile, String target, String workingDirectory,
            String iconFile, String arguments, boolean runAsAdministrator, String description, int showCommand);

    /** Both arrays hold NUL-terminated UTF-16LE paths. */
    public static native boolean changeNotify0(byte[] createdPath, byte[] updatedDirectory);

    public static native boolean initialize0();

    public static native boolean uninitialize();
}
