package com.tolvanrix.runtime.installer.platform.win32;

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
 * The Misc natives. args: the test's directory, the window_owner test program, a file to delete at restart, a
 * file to move at restart and its target, the machine's physical memory in bytes. Starts four window_owner
 * processes with launch0 (A and D close on request, B ignores it, C has a hidden window only), finds them with
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
