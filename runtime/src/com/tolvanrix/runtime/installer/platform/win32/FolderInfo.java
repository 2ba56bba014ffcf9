package com.tolvanrix.runtime.installer.platform.win32;

/** Special folders, system directories, drive types and path forms; implemented by the launcher executable. */
public final class FolderInfo {
    private FolderInfo() {
    }

    public static native String getSpecialFolder0(int code, boolean allUsers);

    public static native String getPathFromRegistry0(String valueName);

    public static native String getWindowsDirectory0();

    public static native String getSystemDirectory0();

    public static native int getDriveType0(String rootPath);

    public static native String getShortPathName0(String path);

    public static native String getDownloadsDirectory0();

    public static native String getUniversalPathName0(String path);
}
