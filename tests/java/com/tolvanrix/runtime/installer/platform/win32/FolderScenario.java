package com.tolvanrix.runtime.installer.platform.win32;

import java.io.File;

/**
 * Drives the FolderInfo and FileVersion natives. args: the test's directory (holding "a long directory
 * name"), then four files: version 1.2.3.4, a copy of it, version 1.2.10.0, version 40000.0.0.0, and one
 * without a version resource.
 */
public final class FolderScenario {
    private FolderScenario() {
    }

    public static void main(String[] args) {
        Report.binding();
        String dir = args[0];
        String v1234 = args[1];
        String copy = args[2];
        String v12100 = args[3];
        String v40000 = args[4];
        String none = args[5];
        Report.line("compare", FileVersion.compare0(v1234, copy) + " " + FileVersion.compare0(v1234, v12100) + " "
                + FileVersion.compare0(v12100, v1234) + " " + FileVersion.compare0(v40000, v1234) + " "
                + FileVersion.compare0(v1234, v40000) + " " + FileVersion.compare0(none, v1234));
        for (int code = 1; code <= 12; code++) {
            Report.line("folder." + code + ".user", FolderInfo.getSpecialFolder0(code, false));
            Report.line("folder." + code + ".all", FolderInfo.getSpecialFolder0(code, true));
        }
        Report.line("registry.programFiles", FolderInfo.getPathFromRegistry0("ProgramFilesDir"));
        Report.line("registry.missing", FolderInfo.getPathFromRegistry0("NoSuchValueOfTlxTests"));
        Report.line("windows", FolderInfo.getWindowsDirectory0());
        Report.line("system", FolderInfo.getSystemDirectory0());
        Report.line("drives", FolderInfo.getDriveType0("C:\\") + " " + FolderInfo.getDriveType0("Q:\\"));
        String longPath = new File(dir, "a long directory name").getPath();
        String shortPath = FolderInfo.getShortPathName0(longPath);
        Report.line("short", shortPath);
        Report.line("short.isDirectory", new File(shortPath).isDirectory());
        String missing = new File(dir, "no such directory name").getPath();
        Report.line("short.missing.same", FolderInfo.getShortPathName0(missing) == missing);
        Report.line("downloads", FolderInfo.getDownloadsDirectory0());
        Report.line("universal.local", FolderInfo.getUniversalPathName0("C:\\windows"));
        Report.done();
    }
}
