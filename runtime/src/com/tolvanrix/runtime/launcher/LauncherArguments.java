package com.tolvanrix.runtime.launcher;

import java.util.Arrays;

/**
 * The arguments the launcher hands to the entry class, in this order: whether the launcher is a GUI
 * launcher ("true"/"false"), the application's main class, the standard-error file, the standard-output
 * file (each empty for none; see {@link OutputRedirect}), whether those files are appended to
 * ("true"/"false"), the program path as written on the command line, then the program arguments.
 */
public final class LauncherArguments {
    private static final int FIXED = 6;
    private static volatile LauncherArguments current;

    private final String[] all;

    private LauncherArguments(String[] all) {
        this.all = all.clone();
    }

    static LauncherArguments parse(String[] args) {
        if (args == null || args.length < FIXED - 1) {
            throw new IllegalArgumentException("the launcher passed " + (args == null ? 0 : args.length)
                    + " arguments, at least " + (FIXED - 1) + " expected");
        }
        LauncherArguments parsed = new LauncherArguments(args);
        current = parsed;
        return parsed;
    }

    /** The arguments of this process's launch, or null before the launcher called the entry class. */
    public static LauncherArguments current() {
        return current;
    }

    public boolean guiLauncher() {
        return Boolean.parseBoolean(all[0]);
    }

    public String mainClass() {
        return all[1];
    }

    public String errorFile() {
        return all[2];
    }

    public String outputFile() {
        return all[3];
    }

    public boolean appendOutput() {
        return Boolean.parseBoolean(all[4]);
    }

    /** Null when the launcher had no program path to pass. */
    public String programPath() {
        return all.length > FIXED - 1 ? all[FIXED - 1] : null;
    }

    public String[] programArguments() {
        return all.length > FIXED ? Arrays.copyOfRange(all, FIXED, all.length) : new String[0];
    }

    /** Every argument as received, in order. */
    public String[] all() {
        return all.clone();
    }
}
