package com.tolvanrix.runtime.installer.platform.win32;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Pattern;

/**
 * The driver of the scenarios that call into the launcher from Java: one main, and per scenario a table of
 * rows, run in the order they were added. A row is a call and the result it must give: compared as
 * {@link #text} shows it, matched whole by a {@link #like} pattern, or a class of what it must throw. The
 * states the table watches must read the same before and after every row. args[0] names the table, the class
 * NAME + "Table" of this package, whose static fill(Scenario, String[]) adds the rows (and may prepare what they
 * act on) with the arguments that follow. Reports "natives.bound=B", "natives.row.NAME=ok" or what went wrong,
 * "natives.rows=N run, F failed", then "natives.done".
 */
public final class Scenario {
    /** A call into the launcher, or a reading of a state the rows must not change. */
    public interface Call {
        Object run() throws Exception;
    }

    /** Per row name, the expected result and the call. */
    private final Map<String, Object[]> rows = new LinkedHashMap<String, Object[]>();
    private final List<Call> watched = new ArrayList<Call>();
    private final List<Call> afterwards = new ArrayList<Call>();

    /** A state read around every row. */
    public void watch(Call state) {
        watched.add(state);
    }

    /** A call made once every row has run (a clean-up), whatever the rows gave. */
    public void afterwards(Call call) {
        afterwards.add(call);
    }

    public void row(String name, Object result, Call call) {
        if (rows.put(name, new Object[] {result, call}) != null) {
            throw new IllegalArgumentException("two rows named " + name);
        }
    }

    public static void main(String[] args) throws Exception {
        line("bound", Common.nativesFromLauncher());
        Scenario scenario = new Scenario();
        Class.forName(Scenario.class.getPackage().getName() + "." + args[0] + "Table")
                .getMethod("fill", Scenario.class, String[].class)
                .invoke(null, scenario, (Object) Arrays.copyOfRange(args, 1, args.length));
        scenario.run();
        System.out.println("natives.done");
        System.out.flush();
    }

    /** An expected result: a text the whole result must match. */
    public static Pattern like(String regex) {
        return Pattern.compile(regex, Pattern.DOTALL);
    }

    /** The results of several calls as one text: each as the report shows it, separated by blanks. */
    public static String all(Object... results) {
        StringBuilder out = new StringBuilder();
        for (int i = 0; i < results.length; i++) {
            out.append(i == 0 ? "" : " ").append(text(results[i]));
        }
        return out.toString();
    }

    /** Whether the call gives true within the time, asked every 100 ms. */
    public static boolean within(long millis, Call condition) throws Exception {
        long end = System.currentTimeMillis() + millis;
        while (!Boolean.TRUE.equals(condition.run())) {
            if (System.currentTimeMillis() > end) {
                return false;
            }
            Thread.sleep(100);
        }
        return true;
    }

    public static String repeat(char c, int count) {
        return new String(new char[count]).replace('\0', c);
    }

    /** A result as rows compare it: arrays by their elements, a byte array by its length. */
    static String text(Object value) {
        if (value instanceof Object[]) {
            return Arrays.toString((Object[]) value);
        }
        if (value instanceof byte[]) {
            return "byte[" + ((byte[]) value).length + "]";
        }
        return String.valueOf(value);
    }

    private static void line(String name, Object value) {
        System.out.println("natives." + name + "=" + text(value));
    }

    private void run() throws Exception {
        int failed = 0;
        for (Map.Entry<String, Object[]> row : rows.entrySet()) {
            String verdict = verdict((Call) row.getValue()[1], row.getValue()[0]);
            failed += verdict.equals("ok") ? 0 : 1;
            line("row." + row.getKey(), verdict);
        }
        for (Call call : afterwards) {
            call.run();
        }
        line("rows", rows.size() + " run, " + failed + " failed");
    }

    private String verdict(Call call, Object wanted) {
        try {
            String before = states();
            String got = text(call.run());
            boolean same = wanted instanceof Pattern ? ((Pattern) wanted).matcher(got).matches()
                    : got.equals(text(wanted));
            if (!same) {
                return "gave " + got + ", wanted " + text(wanted);
            }
            String after = states();
            return after.equals(before) ? "ok" : "changed " + before + " into " + after;
        } catch (Throwable e) {
            return wanted instanceof Class && ((Class<?>) wanted).isInstance(e) ? "ok" : "threw " + e;
        }
    }

    private String states() throws Exception {
        Object[] seen = new Object[watched.size()];
        for (int i = 0; i < seen.length; i++) {
            seen[i] = watched.get(i).run();
        }
        return all(seen);
    }
}
