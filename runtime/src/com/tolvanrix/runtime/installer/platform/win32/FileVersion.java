package com.tolvanrix.runtime.installer.platform.win32;

/** Comparison of the version resources of two files; implemented by the launcher executable. */
public final class FileVersion {
    private FileVersion() {
    }

    public static native int compare0(String file1, String file2);
}
