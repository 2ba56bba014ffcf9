package com.tolvanrix.runtime.installer.platform.win32;

/** Named pipes between two runtime processes; handles travel as long. Implemented by the launcher executable. */
public final class Win32CommunicationBackend {
    private Win32CommunicationBackend() {
    }

    public static native long getInvalidHandle0();

    public static native long createListener0(String pipeName);

    public static native byte[] readDataBlock0(long handle);

    public static native boolean writeDataBlock0(long handle, byte[] data);

    public static native long connectClient0(String pipeName);

    public static native boolean connectNamedPipe0(long handle);

    public static native void disconnectNamedPipe0(long handle);

    public static native void closeHandle0(long handle);

    public static native boolean isProcessAlive0(int pid);

    public static native int getCurrentProcessId0();
}
