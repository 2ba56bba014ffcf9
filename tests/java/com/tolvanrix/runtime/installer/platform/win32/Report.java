package com.tolvanrix.runtime.installer.platform.win32;

import java.util.Arrays;

/** The "natives.NAME=VALUE" lines through which the natives scenarios report to the test. */
final class Report {
    private Report() {
    }

    static void line(String name, Object value) {
        System.out.println("natives." + name + "=" + text(value));
    }

    static String text(Object value) {
        if (value instanceof Object[]) {
            return Arrays.toString((Object[]) value);
        }
        if (value instanceof byte[]) {
            return "byte[" + ((byte[]) value).length + "]";
        }
        return String.valueOf(value);
    }

    /** Whether the launcher bound the natives, as the runtime was told. */
    static void binding() {
        line("bound", Common.nativesFromLauncher());
    }

    static void done() {
        System.out.println("natives.done");
        System.out.flush();
    }
}
