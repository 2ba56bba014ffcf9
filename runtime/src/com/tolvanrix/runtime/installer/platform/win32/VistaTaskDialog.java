package com.tolvanrix.runtime.installer.platform.win32;

/** The system's task dialog; implemented by the launcher executable. */
public final class VistaTaskDialog {
    private VistaTaskDialog() {
    }

    public static native int show0(long ownerWindow, String title, String mainInstruction, String content,
            int flags, int icon, int width, String verificationText, String[] buttonLabels,
            int defaultButtonIndex);
}
