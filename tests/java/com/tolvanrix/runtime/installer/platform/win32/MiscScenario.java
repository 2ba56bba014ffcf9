package com.tolvanrix.runtime.installer.platform.win32;

import com.kavro.runtime.util.WinDel;

import java.lang.management.ManagementFactory;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Drives the Misc natives. args: the test's directory, the window_owner test program, a file to delete at
 * restart, a file to move at restart and its target. Starts four window_owner processes with launch0
 * (A and D close on request, B ignores it, C has a hidden window only), finds them with
 * getRunningModules0, names them with getWindowTitle0 and ends them with terminateProcesses0.
 */
public final class MiscScenario {
    private static final String OWNER_NAME = "window_owner.exe";

    private MiscScenario() {
    }

    public static void main(String[] args) throws Exception {
        Report.binding();
        String dir = args[0];
        String owner = args[1];
        environment();
        Report.line("memory", Misc.getPhysicalMemory0());
        Report.line("disk", Misc.getFreeDiskSpace0(dir));
        Report.line("disk.missing", Misc.getFreeDiskSpace0(dir + "\\no\\such\\dir"));
        Report.line("reboot.delete", Misc.moveWithDelayUntilReboot0(args[2], null));
        Report.line("reboot.move", Misc.moveWithDelayUntilReboot0(args[3], args[4]));
        processes(dir, owner);
        Misc.toFront0();
        Misc.broadcastSettingChange0();
        Report.done();
    }

    private static void environment() {
        String[] pairs = Misc.getEnvVarPairs0();
        boolean found = false;
        for (String pair : pairs) {
            found |= pair.equals("TLXTEST_ENV=Gr\u00fc\u00dfe \u4e2d");
        }
        Report.line("env.found", found);
    }

    private static void processes(String dir, String owner) throws Exception {
        int self = Integer.parseInt(ManagementFactory.getRuntimeMXBean().getName().split("@")[0]);
        String selfPath = null;
        for (String entry : Misc.getRunningModules0(false)) {
            if (entry.startsWith(self + " ")) {
                selfPath = entry.substring(entry.indexOf(' ') + 1);
            }
        }
        Report.line("modules.self", WinDel.externalExecutable.equalsIgnoreCase(selfPath));
        Report.line("launch.missing", Misc.launch0(null, dir + "\\nosuch.exe"));

        int a = start(owner, "closes", "tlxA");
        int b = start(owner, "ignores", "tlxB");
        int c = start(owner, "hidden", "tlxC");
        int d = start(owner, "closes", "tlxD");
        Report.line("titles", Misc.getWindowTitle0(a) + " " + Misc.getWindowTitle0(b) + " " + Misc.getWindowTitle0(d)
                + " [" + Misc.getWindowTitle0(Integer.MAX_VALUE - 3) + "]");
        Report.line("titles.crossed", crossedTitles(a, "tlxA", b, "tlxB"));

        Report.line("gentle.closes", Misc.terminateProcesses0(new int[] {a}, false, 30000));
        Report.line("gentle.closes.gone", waitGone(a));
        Report.line("gentle.ignored", Misc.terminateProcesses0(new int[] {b}, false, 1500));
        Report.line("gentle.hidden", Misc.terminateProcesses0(new int[] {d, c}, false, 30000));
        Report.line("gentle.hidden.others", waitGone(d) + " " + running(c));
        int[] tooMany = new int[65];
        java.util.Arrays.fill(tooMany, b);
        Report.line("gentle.tooMany", Misc.terminateProcesses0(tooMany, false, 1000));
        Report.line("force", Misc.terminateProcesses0(new int[] {b, c}, true, 0));
        Report.line("force.gone", waitGone(b) + " " + waitGone(c));
        Report.line("force.missing", Misc.terminateProcesses0(new int[] {Integer.MAX_VALUE - 3}, true, 0));
    }

    /** Starts window_owner and returns its process id once its window is there (0 if it never came). */
    private static int start(String owner, String mode, String title) throws Exception {
        List<Integer> before = ownerProcesses();
        Report.line("launch." + title, Misc.launch0(null, "\"" + owner + "\" " + mode + " " + title));
        long end = System.currentTimeMillis() + 60000;
        while (System.currentTimeMillis() < end) {
            for (int pid : ownerProcesses()) {
                if (!before.contains(pid) && Misc.getWindowTitle0(pid).length() > 0) {
                    return pid;
                }
            }
            Thread.sleep(100);
        }
        return 0;
    }

    private static List<Integer> ownerProcesses() {
        List<Integer> pids = new ArrayList<Integer>();
        for (String entry : Misc.getRunningModules0(true)) {
            if (entry.toLowerCase().endsWith("\\" + OWNER_NAME)) {
                pids.add(Integer.valueOf(entry.substring(0, entry.indexOf(' '))));
            }
        }
        return pids;
    }

    private static boolean running(int pid) {
        return ownerProcesses().contains(pid);
    }

    private static boolean waitGone(int pid) throws InterruptedException {
        long end = System.currentTimeMillis() + 30000;
        while (running(pid)) {
            if (System.currentTimeMillis() > end) {
                return false;
            }
            Thread.sleep(100);
        }
        return true;
    }

    /** Two threads asking for two processes' titles at once: how often one got the other's answer. */
    private static int crossedTitles(final int first, final String firstTitle, final int second,
            final String secondTitle) throws InterruptedException {
        final AtomicInteger crossed = new AtomicInteger();
        Thread other = new Thread() {
            @Override
            public void run() {
                for (int i = 0; i < 100; i++) {
                    if (!Misc.getWindowTitle0(second).equals(secondTitle)) {
                        crossed.incrementAndGet();
                    }
                }
            }
        };
        other.start();
        for (int i = 0; i < 100; i++) {
            if (!Misc.getWindowTitle0(first).equals(firstTitle)) {
                crossed.incrementAndGet();
            }
        }
        other.join();
        return crossed.get();
    }
}
