package com.tolvanrix.runtime.installer.platform.win32;

/** Processes, memory, disk space, environment and restart; implemented by the launcher executable. */
public final class Misc {
    private Misc() {
    }

    public static native void reboot0();

    public static native String[] getRunningModules0(boolean keepDebugPrivilegeOff);

    public static native String[] getEnvVarPairs0();

    public static native void broadcastSettingChange0();

    public static native long getPhysicalMemory0();

    public static native long getFreeDiskSpace0(String directory);

    public static native boolean moveWithDelayUntilReboot0(String from, String to);

    public static native void toFront0();

    public static native int terminateProcesses0(int[] pids, boolean force, int timeoutMillis);

    public static native String getWindowTitle0(int pid);

    public static native int launch0(String applicationName, String commandLine);
}
