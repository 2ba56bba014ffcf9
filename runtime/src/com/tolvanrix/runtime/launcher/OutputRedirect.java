package com.tolvanrix.runtime.launcher;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;

/**
 * Sends System.err and System.out into the files the launcher names. A name is a path, which the
 * launcher has already made absolute; a name that begins with "$" (the launcher passes those unchanged)
 * is a file name relative to the temporary directory (java.io.tmpdir), so "$setup-err.log" writes
 * setup-err.log there. Both names leading to the same file share one stream. A file that cannot be
 * opened leaves its stream as it was and says so on the original standard error.
 */
final class OutputRedirect {
    private OutputRedirect() {
    }

    static File resolve(String name) {
        if (name.startsWith("$")) {
            return new File(System.getProperty("java.io.tmpdir"), name.substring(1));
        }
        return new File(name);
    }

    static void apply(LauncherArguments arguments) {
        PrintStream err = open(arguments.errorFile(), arguments.appendOutput());
        PrintStream out;
        if (err != null && sameFile(arguments.errorFile(), arguments.outputFile())) {
            out = err;
        } else {
            out = open(arguments.outputFile(), arguments.appendOutput());
        }
        if (err != null) {
            System.setErr(err);
        }
        if (out != null) {
            System.setOut(out);
        }
    }

    private static boolean sameFile(String a, String b) {
        return !a.isEmpty() && !b.isEmpty() && resolve(a).getAbsoluteFile().equals(resolve(b).getAbsoluteFile());
    }

    private static PrintStream open(String name, boolean append) {
        if (name.isEmpty()) {
            return null;
        }
        File file = resolve(name);
        File parent = file.getAbsoluteFile().getParentFile();
        if (parent != null) {
            parent.mkdirs();
        }
        try {
            return new PrintStream(new FileOutputStream(file, append), true);
        } catch (IOException e) {
            System.err.println("cannot redirect output to " + file + ": " + e.getMessage());
            return null;
        }
    }
}
