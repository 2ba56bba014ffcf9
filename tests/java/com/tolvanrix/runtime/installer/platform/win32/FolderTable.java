package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.FileVersion.compare0;
import static com.tolvanrix.runtime.installer.platform.win32.FolderInfo.*;
import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;

import java.io.File;

/**
 * The FolderInfo and FileVersion natives. args: the test's directory (holding "a long directory name"), four
 * files: version 1.2.3.4, a copy of it, version 1.2.10.0, version 40000.0.0.0; one without a version
 * resource; the name of the user the runtime runs as.
 */
public final class FolderTable {
    public static void fill(Scenario table, String[] args) {
        String dir = args[0];
        String v1234 = args[1];
        String v12100 = args[3];
        String v40000 = args[4];
        // same, second newer, first newer, unsigned high word, again reversed, no resource
        table.row("compare", "0 2 1 1 2 3", () -> all(compare0(v1234, args[2]), compare0(v1234, v12100),
                compare0(v12100, v1234), compare0(v40000, v1234), compare0(v1234, v40000), compare0(args[5], v1234)));
        // Each a directory, made when missing, for the user and for all users.
        for (int code = 1; code <= 12; code++) {
            int folder = code;
            table.row("folder." + code, "true true", () -> all(isDirectory(getSpecialFolder0(folder, false)),
                    isDirectory(getSpecialFolder0(folder, true))));
        }
        table.row("folder.appData", ("c:\\programdata c:\\users\\" + args[6] + "\\appdata\\roaming").toLowerCase(),
                () -> all(getSpecialFolder0(7, true), getSpecialFolder0(7, false)).toLowerCase());
        table.row("folder.shared", "true true true true", () -> all(
                getSpecialFolder0(12, false).equals(getSpecialFolder0(1, false)),
                getSpecialFolder0(12, true).equals(getSpecialFolder0(1, false)),
                getSpecialFolder0(5, true).equals(getSpecialFolder0(5, false)),
                getSpecialFolder0(11, true).equals(getSpecialFolder0(11, false))));
        table.row("registry", "c:\\program files null", () -> all(getPathFromRegistry0("ProgramFilesDir"),
                getPathFromRegistry0("NoSuchValueOfTlxTests")).toLowerCase());
        table.row("windows", "c:\\windows c:\\windows\\system32", () -> all(getWindowsDirectory0(),
                getSystemDirectory0()).toLowerCase());
        table.row("drives", "3 1", () -> all(getDriveType0("C:\\"), getDriveType0("Q:\\")));
        // Only Wine knows the short names it made up: one of their shape that finds the directory.
        table.row("short", like(".*\\\\[A-Z0-9_]{1,6}~[A-Z0-9]{1,3} true"), () -> {
            String shortPath = getShortPathName0(new File(dir, "a long directory name").getPath());
            return all(shortPath, new File(shortPath).isDirectory());
        });
        String missing = new File(dir, "no such directory name").getPath();
        table.row("short.missing.same", true, () -> getShortPathName0(missing) == missing);
        table.row("downloads", like("(?i)[a-z]:\\\\.*\\\\downloads"), () -> getDownloadsDirectory0());
        table.row("universal.local", like(";\\d+"), () -> getUniversalPathName0("C:\\windows"));
    }

    /** Whether the path is an existing directory given with its drive. */
    private static boolean isDirectory(String path) {
        return path.matches("[A-Za-z]:\\\\.*") && new File(path).isDirectory();
    }
}
