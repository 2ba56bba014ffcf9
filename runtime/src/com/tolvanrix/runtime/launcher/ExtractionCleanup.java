package com.tolvanrix.runtime.launcher;

import com.kavro.runtime.util.DeletionList;
import com.kavro.runtime.util.WinDel;

import java.io.File;
import java.io.IOException;
import java.util.ArrayList;
import java.util.List;

/**
 * Removes the launcher's extraction directory once this process is gone. The launcher leaves the
 * directory behind at a normal end, and its files (the jars on the class path above all) stay locked
 * while the VM runs, so the removal is handed to the launcher executable's deletion mode: a deletion list
 * names every file and directory below the extraction directory, and its first line is the launcher's
 * instance semaphore, which the launcher holds until the process ends.
 *
 * <p>The list is written when the VM shuts down (after main has returned and the last non-daemon thread
 * has ended, or at System.exit), so that it also names what the application added. Without a semaphore
 * name (a language restart reuses a directory it must keep) or without the executable, nothing is done.
 */
final class ExtractionCleanup implements Runnable {
    static final String MODE = "no_restart";

    private ExtractionCleanup() {
    }

    private static boolean registered;

    /** Arranges the removal once per process, however often it is asked for. */
    static synchronized void registerAtShutdown() {
        if (!registered) {
            Runtime.getRuntime().addShutdownHook(new Thread(new ExtractionCleanup(), "extraction-cleanup"));
            registered = true;
        }
    }

    @Override
    public void run() {
        String directory = System.getProperty("kavro.tempDir", "");
        String semaphore = System.getProperty("kavro.semaphoreName", "");
        if (directory.isEmpty() || semaphore.isEmpty() || WinDel.externalExecutable == null) {
            return;
        }
        File root = new File(directory);
        if (!root.isDirectory()) {
            return;
        }
        List<File> files = new ArrayList<File>();
        List<File> directories = new ArrayList<File>();
        DeletionList.collect(root, files, directories);
        try {
            File list = DeletionList.write(semaphore, MODE, files, directories);
            WinDel.start(list);
        } catch (IOException | RuntimeException e) {
            System.err.println("cannot remove " + root + ": " + e);
        }
    }
}
