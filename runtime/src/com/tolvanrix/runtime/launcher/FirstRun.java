package com.tolvanrix.runtime.launcher;

import java.util.concurrent.Callable;

/**
 * The first-run check. The launcher calls {@link #firstRun} before the entry class when the installation
 * carries the first-run marker; false stops the start. The check is the application's: the system
 * property "tolvanrix.firstRunHandler" names a class with a public no-argument constructor that
 * implements {@code Callable<Boolean>}, and its answer decides. Without a handler the start goes on.
 */
public final class FirstRun {
    public static final String HANDLER_PROPERTY = "tolvanrix.firstRunHandler";

    private FirstRun() {
    }

    static boolean firstRun() throws Exception {
        String handler = System.getProperty(HANDLER_PROPERTY, "").trim();
        if (handler.isEmpty()) {
            return true;
        }
        Class<?> type = Class.forName(handler, true, ClassLoader.getSystemClassLoader());
        Callable<?> check = (Callable<?>) type.getDeclaredConstructor().newInstance();
        return Boolean.TRUE.equals(check.call());
    }
}
