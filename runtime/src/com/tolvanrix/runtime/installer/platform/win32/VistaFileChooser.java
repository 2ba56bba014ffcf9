package com.tolvanrix.runtime.installer.platform.win32;

/** The system's common file dialog; implemented by the launcher executable. */
public final class VistaFileChooser {
    private VistaFileChooser() {
    }

    public static native void initialize0();

    public static native String[] displayDialog0(long ownerWindow, String title, String okLabel, String folder,
            String fileName, int optionsToSet, int optionsToClear, boolean save, String defaultExtension,
            String[] filterNames, String[] filterPatterns, int filterIndex, String[] checkBoxLabels,
            boolean[] checkBoxStates);
}
