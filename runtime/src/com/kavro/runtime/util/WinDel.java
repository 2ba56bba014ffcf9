package com.kavro.runtime.util;

import java.io.File;
import java.io.IOException;
import java.lang.ProcessBuilder.Redirect;

/**
 * Starts the launcher executable in its deletion mode. The launcher stores its own path in
 * {@link #externalExecutable} before any application code runs.
 */
public final class WinDel {
    /** The launcher executable's path; null when the runtime was not started by the launcher. */
    public static volatile String externalExecutable;

    private static final String DELETION_MODE = "__tlx_windel";

    private WinDel() {
    }

    /**
     * Starts the executable with the deletion mode and a deletion list written by {@link DeletionList}.
     * The new process waits for the list's semaphore to disappear, so it may start while the files are
     * still in use.
     */
    public static Process start(File deletionList) throws IOException {
        return start(externalExecutable, deletionList);
    }

    /** Like {@link #start(File)}, with an executable path taken earlier. */
    public static Process start(String executable, File deletionList) throws IOException {
        if (executable == null || executable.isEmpty()) {
            throw new IllegalStateException("the launcher executable is not known");
        }
        File nul = new File("NUL");
        return new ProcessBuilder(executable, DELETION_MODE, deletionList.getAbsolutePath())
                .redirectInput(Redirect.from(nul))
                .redirectOutput(Redirect.to(nul))
                .redirectError(Redirect.to(nul))
                .start();
    }
}
