package com.tolvanrix.runtime.launcher;

import com.tolvanrix.runtime.installer.platform.win32.Common;
import com.tolvanrix.runtime.installer.platform.win32.Registry;
import com.tolvanrix.runtime.installer.platform.win32.Win32CommunicationBackend;

/**
 * The launcher's per-process install-started value. While the launcher's progress dialog waits for the
 * installer, the value is 1; this side sets it to 2 once the installer is ready (its first window is
 * showing, or the application says so), and the launcher then hides its dialog without waiting for a
 * window of its own count. A value that is not 1 is left alone: either no launcher waits (no dialog, or
 * the wait is over and the launcher has deleted it) and writing would leave a value nobody removes, or
 * the work is done already.
 */
public final class StartMarker {
    private static final int CURRENT_USER = 2;
    private static final int DWORD = 2;
    private static final String KEY = "SOFTWARE\\morvane\\kavro";
    private static final Integer WAITING = Integer.valueOf(1);
    private static final Integer READY = Integer.valueOf(2);
    private static final long POLL_MILLIS = 100;

    private static String name;

    private StartMarker() {
    }

    /** Marks the installer's start as done; true when a waiting launcher was told. */
    public static synchronized boolean ready() {
        if (!waiting()) {
            return false;
        }
        return Registry.setValue0(CURRENT_USER, KEY, valueName(), READY, DWORD, 0);
    }

    /** True while the launcher of this process waits for the installer. */
    static synchronized boolean waiting() {
        return Common.nativesAvailable() && WAITING.equals(Registry.getValue0(CURRENT_USER, KEY, valueName(), 0));
    }

    /**
     * While the launcher waits, a daemon thread looks for the first showing window. It never starts AWT
     * itself, which would fix the application's AWT settings (headless mode among them) before its main
     * could choose them: it looks only once the Windows toolkit's own thread runs.
     */
    static void watchFirstWindow() {
        if (!waiting()) {
            return;
        }
        Thread watcher = new Thread(new Runnable() {
            @Override
            public void run() {
                try {
                    while (waiting()) {
                        if (toolkitRunning() && windowShowing()) {
                            ready();
                            return;
                        }
                        Thread.sleep(POLL_MILLIS);
                    }
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
            }
        }, "install-started marker");
        watcher.setDaemon(true);
        watcher.start();
    }

    private static boolean toolkitRunning() {
        ThreadGroup root = Thread.currentThread().getThreadGroup();
        while (root.getParent() != null) {
            root = root.getParent();
        }
        Thread[] threads = new Thread[root.activeCount() + 8];
        int count = root.enumerate(threads, true);
        for (int i = 0; i < count; i++) {
            if ("AWT-Windows".equals(threads[i].getName())) {
                return true;
            }
        }
        return false;
    }

    private static boolean windowShowing() {
        try {
            for (java.awt.Window window : java.awt.Window.getWindows()) {
                if (window.isShowing()) {
                    return true;
                }
            }
        } catch (LinkageError e) {
            // A runtime without AWT shows no window of its own.
        }
        return false;
    }

    /**
     * Only asked for once the natives are known to be bound. The process id comes from the launcher
     * rather than from ProcessHandle, whose first use spins up method handles and lambdas: some 60 ms of
     * every start, before the application's main has run.
     */
    private static String valueName() {
        if (name == null) {
            name = "InstallStarted_" + Win32CommunicationBackend.getCurrentProcessId0();
        }
        return name;
    }
}
