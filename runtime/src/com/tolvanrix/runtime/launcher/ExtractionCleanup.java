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
 * <p>The launcher names the directory after an empty temporary file that reserved the name ("kvo1a2b.tmp"
 * for "kvo1a2b.tmp_dir123"); that file goes with it, so that nothing of the run stays in the temporary
 * directory.
 *
 * <p>The list is written when the VM shuts down (after main has returned and the last non-daemon thread
 * has ended, or at System.exit), so that it also names what the application added. Which directory, which
 * semaphore and which executable are taken when the removal is arranged, before application code runs:
 * the application can change system properties and public fields, and must not thereby choose what gets
 * deleted. Without a semaphore name (a language restart reuses a directory it must keep) or without the
 * executable, nothing is done.
 */
final class ExtractionCleanup implements Runnable {
    static final String MODE = "no_restart";
    private static final String DIRECTORY_MARK = "_dir";

    private static boolean registered;
    private static volatile boolean launcherNatives;

    private final String directory;
    private final String semaphore;
    private final String executable;

    private ExtractionCleanup(String directory, String semaphore, String executable) {
        this.directory = directory;
        this.semaphore = semaphore;
        this.executable = executable;
    }

    /** Arranges the removal once per process, however often it is asked for. */
    static synchronized void registerAtShutdown() {
        if (!registered) {
            ExtractionCleanup cleanup = new ExtractionCleanup(System.getProperty("kavro.tempDir", ""),
                    System.getProperty("kavro.semaphoreName", ""), WinDel.externalExecutable);
            Runtime.getRuntime().addShutdownHook(new Thread(cleanup, "extraction-cleanup"));
            registered = true;
        }
    }

    /**
     * Told by the installer flavour's entry class, the only one with the launcher's natives: the deletion
     * mode is then started by the launcher instead of the class library. The other flavour never touches
     * the platform classes.
     */
    static void startThroughLauncher(boolean nativesBound) {
        launcherNatives = nativesBound;
    }

    /**
     * The empty file whose name the directory extends with "_dir" and a number, or null. Read by hand: a
     * regular expression would load and compile the regex machinery in every start, for one name.
     */
    static File reservationFile(File directory) {
        String name = directory.getName();
        int mark = name.lastIndexOf(DIRECTORY_MARK);
        if (mark <= 0 || !isNumber(name.substring(mark + DIRECTORY_MARK.length()))) {
            return null;
        }
        File file = new File(directory.getAbsoluteFile().getParentFile(), name.substring(0, mark));
        return file.isFile() && file.length() == 0 ? file.getAbsoluteFile() : null;
    }

    /** Decimal digits, optionally after a minus sign. */
    private static boolean isNumber(String text) {
        int first = text.startsWith("-") ? 1 : 0;
        if (text.length() == first) {
            return false;
        }
        for (int i = first; i < text.length(); i++) {
            if (text.charAt(i) < '0' || text.charAt(i) > '9') {
                return false;
            }
        }
        return true;
    }

    @Override
    public void run() {
        if (directory.isEmpty() || semaphore.isEmpty() || executable == null || executable.isEmpty()) {
            return;
        }
        File root = new File(directory);
        if (!root.isDirectory()) {
            return;
        }
        List<File> files = new ArrayList<File>();
        List<File> directories = new ArrayList<File>();
        DeletionList.collect(root, files, directories);
        File reservation = reservationFile(root);
        if (reservation != null) {
            files.add(reservation);
        }
        try {
            File list = DeletionList.write(semaphore, MODE, files, directories);
            WinDel.launch(executable, list, launcherNatives);
        } catch (IOException | RuntimeException e) {
            System.err.println("cannot remove " + root + ": " + e);
        }
    }
}
