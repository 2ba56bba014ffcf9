package com.tolvanrix.runtime.installer.platform.win32;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * The driver of the scenarios that call into the launcher from Java: one main, and per scenario a table of
 * rows. A row is a call and the result it must give (compared as {@link Report#text} shows it); the states
 * the table watches must read the same before and after every row. args[0] names the table, the class
 * NAME + "Table" of this package, whose static fill(Scenario, String[]) adds the rows (and may prepare what they
 * act on) with the arguments that follow. Reports "row.NAME=ok" or what went wrong, then "rows=N run, F failed".
 */
public final class Scenario {
    /** A call into the launcher; what it returns is compared with the row's expected result. */
    public interface Call {
        Object run() throws Exception;
    }

    /** A view of something that must not change, read before and after a row. */
    public interface State {
        Object read() throws Exception;
    }

    private final Map<String, Object> results = new LinkedHashMap<String, Object>();
    private final Map<String, Call> calls = new HashMap<String, Call>();
    private final List<State> watched = new ArrayList<State>();
    private final List<Call> afterwards = new ArrayList<Call>();

    /** A state read around every row. */
    public void watch(State state) {
        watched.add(state);
    }

    /** A call made once every row has run (a clean-up), whatever the rows gave. */
    public void afterwards(Call call) {
        afterwards.add(call);
    }

    public void row(String name, Object result, Call call) {
        if (calls.put(name, call) != null) {
            throw new IllegalArgumentException("two rows named " + name);
        }
        results.put(name, result);
    }

    public static void main(String[] args) throws Exception {
        Report.binding();
        Scenario scenario = new Scenario();
        Class.forName(Scenario.class.getPackage().getName() + "." + args[0] + "Table")
                .getMethod("fill", Scenario.class, String[].class)
                .invoke(null, scenario, (Object) Arrays.copyOfRange(args, 1, args.length));
        scenario.run();
        Report.done();
    }

    /** The results of several calls as one text: each as the report shows it, separated by blanks. */
    public static String all(Object... results) {
        StringBuilder out = new StringBuilder();
        for (int i = 0; i < results.length; i++) {
            out.append(i == 0 ? "" : " ").append(Report.text(results[i]));
        }
        return out.toString();
    }

    public static String repeat(char c, int count) {
        char[] chars = new char[count];
        Arrays.fill(chars, c);
        return new String(chars);
    }

    private void run() throws Exception {
        int failed = 0;
        for (Map.Entry<String, Object> row : results.entrySet()) {
            String verdict = verdict(calls.get(row.getKey()), Report.text(row.getValue()));
            failed += verdict.equals("ok") ? 0 : 1;
            Report.line("row." + row.getKey(), verdict);
        }
        for (Call call : afterwards) {
            call.run();
        }
        Report.line("rows", results.size() + " run, " + failed + " failed");
    }

    private String verdict(Call call, String wanted) {
        try {
            String before = states();
            String got = Report.text(call.run());
            if (!got.equals(wanted)) {
                return "gave " + got + ", wanted " + wanted;
            }
            String after = states();
            return after.equals(before) ? "ok" : "changed " + before + " into " + after;
        } catch (Throwable e) {
            return "threw " + e;
        }
    }

    private String states() throws Exception {
        Object[] seen = new Object[watched.size()];
        for (int i = 0; i < seen.length; i++) {
            seen[i] = watched.get(i).read();
        }
        return all(seen);
    }
}
