package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.FileVersion.compare0;
import static com.tolvanrix.runtime.installer.platform.win32.FolderInfo.*;
import static com.tolvanrix.runtime.installer.platform.win32.Misc.*;
import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;

import com.kavro.runtime.util.WinDel;

import java.io.File;
import java.lang.management.ManagementFactory;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.function.IntConsumer;

/**
 * The Misc, FolderInfo and FileVersion natives. args: the test's directory (holding "a long directory name"), the
 * window_owner test program, a file to delete at restart, a file to move at restart and its target, the machine's
 * physical memory in bytes; four files: version 1.2.3.4, a copy of it, version 1.2.10.0, version 40000.0.0.0; one
 * without a version resource; the name of the user the runtime runs as. Starts four window_owner processes with
 * launch0 (A and D close on request, B ignores it, C has a hidden window only), finds them with
 * getRunningModules0, names them with getWindowTitle0 and ends them with terminateProcesses0.
 */
public final class MiscTable {
    private static final String[] MODES = {"closes", "ignores", "hidden", "closes"};
    private static final int NO_SUCH_PROCESS = Integer.MAX_VALUE - 3;
    private static final int A = 0;
    private static final int B = 1;
    private static final int C = 2;
    private static final int D = 3;

    public static void fill(Scenario table, String[] args) throws Exception {
        String dir = args[0];
        folders(table, args);
        table.row("env.found", true, () -> Arrays.asList(getEnvVarPairs0())
                .contains("TLXTEST_ENV=Gr\u00fc\u00dfe \u4e2d"));
        table.row("memory", true, () -> Math.abs(getPhysicalMemory0() - Long.parseLong(args[5])) < 64 << 20);
        // Beside the runtime's own reading of the same moment: other programs fill the disk meanwhile.
        table.row("disk", true, () -> Math.abs(getFreeDiskSpace0(dir) - new File(dir).getUsableSpace()) < 64 << 20);
        table.row("disk.missing", -1, () -> getFreeDiskSpace0(dir + "\\no\\such\\dir"));
        table.row("reboot", "true true", () -> all(moveWithDelayUntilReboot0(args[2], null),
                moveWithDelayUntilReboot0(args[3], args[4])));

        int self = Integer.parseInt(ManagementFactory.getRuntimeMXBean().getName().split("@")[0]);
        table.row("modules.self", true, () -> {
            String selfPath = null;
            for (String entry : getRunningModules0(false)) {
                selfPath = entry.startsWith(self + " ") ? entry.substring(entry.indexOf(' ') + 1) : selfPath;
            }
            return WinDel.externalExecutable.equalsIgnoreCase(selfPath);
        });
        table.row("launch.missing", 2, () -> launch0(null, dir + "\\nosuch.exe"));
        int[] pids = new int[4];
        for (int i = 0; i < 4; i++) {
            int index = i;
            table.row("launch.tlx" + "ABCD".charAt(i), "0 true", () -> start(args[1], pids, index));
        }
        table.row("titles", "tlxA tlxB tlxD []", () -> all(getWindowTitle0(pids[A]), getWindowTitle0(pids[B]),
                getWindowTitle0(pids[D]), "[" + getWindowTitle0(NO_SUCH_PROCESS) + "]"));
        table.row("titles.crossed", 0, () -> crossedTitles(pids));
        table.row("gentle.closes", "1 true", () -> all(terminateProcesses0(new int[] {pids[A]}, false, 30000),
                gone(pids[A])));
        table.row("gentle.ignored", 3, () -> terminateProcesses0(new int[] {pids[B]}, false, 1500));
        // C has no visible window: 0, and C lives on, while D got its close request.
        table.row("gentle.hidden", "0 true true", () -> all(terminateProcesses0(new int[] {pids[D], pids[C]}, false,
                30000), gone(pids[D]), ownerProcesses().contains(pids[C])));
        table.row("gentle.tooMany", 2, () -> {
            int[] tooMany = new int[65];
            Arrays.fill(tooMany, pids[B]);
            return terminateProcesses0(tooMany, false, 1000);
        });
        table.row("force", "1 true true", () -> all(terminateProcesses0(new int[] {pids[B], pids[C]}, true, 0),
                gone(pids[B]), gone(pids[C])));
        table.row("force.missing", 0, () -> terminateProcesses0(new int[] {NO_SUCH_PROCESS}, true, 0));
        table.row("toFrontAndBroadcast", null, () -> {
            toFront0();
            broadcastSettingChange0();
            return null;
        });
    }

    private static void folders(Scenario table, String[] args) {
        String dir = args[0];
        String v1234 = args[6];
        String v12100 = args[8];
        String v40000 = args[9];
        // same, second newer, first newer, unsigned high word, again reversed, no resource
        table.row("compare", "0 2 1 1 2 3", () -> all(compare0(v1234, args[7]), compare0(v1234, v12100), compare0(
                v12100, v1234), compare0(v40000, v1234), compare0(v1234, v40000), compare0(args[10], v1234)));
        // Each a directory, made when missing, for the user and for all users.
        for (int code = 1; code <= 12; code++) {
            int folder = code;
            table.row("folder." + code, "true true", () -> all(isDirectory(getSpecialFolder0(folder, false)),
                    isDirectory(getSpecialFolder0(folder, true))));
        }
        table.row("folder.appData", ("c:\\programdata c:\\users\\" + args[11] + "\\appdata\\roaming").toLowerCase(),
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

    /** launch0's result for window_owner, and whether a window of the new process came; keeps its id. */
    private static String start(String owner, int[] pids, int index) throws Exception {
        List<Integer> before = ownerProcesses();
        int launched = launch0(null, "\"" + owner + "\" " + MODES[index] + " tlx" + "ABCD".charAt(index));
        return all(launched, within(60000, () -> {
            for (int pid : ownerProcesses()) {
                pids[index] = before.contains(pid) || getWindowTitle0(pid).isEmpty() ? pids[index] : pid;
            }
            return pids[index] != 0;
        }));
    }

    private static List<Integer> ownerProcesses() {
        List<Integer> pids = new ArrayList<Integer>();
        for (String entry : getRunningModules0(true)) {
            if (entry.toLowerCase().endsWith("\\window_owner.exe")) {
                pids.add(Integer.valueOf(entry.substring(0, entry.indexOf(' '))));
            }
        }
        return pids;
    }

    private static boolean gone(int pid) throws Exception {
        return within(30000, () -> !ownerProcesses().contains(pid));
    }

    /** Two threads asking for two processes' titles at once: how often one got the other's answer. */
    private static int crossedTitles(int[] pids) throws InterruptedException {
        AtomicInteger crossed = new AtomicInteger();
        IntConsumer ask = index -> {
            for (int i = 0; i < 100; i++) {
                crossed.addAndGet(getWindowTitle0(pids[index]).equals("tlx" + "ABCD".charAt(index)) ? 0 : 1);
            }
        };
        Thread other = new Thread(() -> ask.accept(B));
        other.start();
        ask.accept(A);
        other.join();
        return crossed.get();
    }
}
