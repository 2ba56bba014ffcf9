package com.tolvanrix.runtime.installer.platform.win32;

/** Windows services; implemented by the launcher executable. */
public final class Win32Services {
    private Win32Services() {
    }

    public static native int installService0(String name, String displayName, String binaryPath);

    public static native int changeServiceConfig0(String name, String displayName, String binaryPath,
            int serviceType, int startType, String dependencies, String account, String password,
            String description);

    public static native int setRestartServiceConfig0(String name, boolean restart, int delayMillis);

    public static native int stopService0(String name);

    public static native int startService0(String name);

    public static native int uninstallService0(String name);

    public static native int queryStatus0(String name);

    public static native int getStartType0(String name);

    public static native String getServiceBinary0(String name);
}
