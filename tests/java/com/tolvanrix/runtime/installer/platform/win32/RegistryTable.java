package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.Registry.*;
import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;

import java.util.Arrays;
import java.util.Random;

/**
 * The Registry natives below HKEY_CURRENT_USER\BASE (args[0]) and HKEY_LOCAL_MACHINE\BASE in the 32-bit view;
 * args[1]: the file to save a key to. The test prepared BASE\fromTest (a REG_SZ "text" and a REG_QWORD
 * "qword") and reads what the rows wrote with reg.exe afterwards.
 */
public final class RegistryTable {
    // The roots, views and value types as the natives take them, for every table.
    static final int HKCU = 2;
    static final int HKLM = 3;
    static final int VIEW_64 = 0x100;
    static final int VIEW_32 = 0x200;
    static final int STRING = 1;
    static final int DWORD = 2;
    static final int MULTI = 3;
    static final int BINARY = 4;
    static final int EXPAND = 5;
    private static final String TEXT = "Gr\u00fc\u00dfe \u4e2d text";
    private static final String LONG_TEXT = repeat('x', 60000);
    private static final String[] MULTI_TEXT = {"one", "zwei", "\u4e09"};

    public static void fill(Scenario table, String[] args) {
        String base = args[0];
        String key = base + "\\values";
        byte[] big = new byte[200000];
        new Random(7).nextBytes(big);
        // Each type written whole and read back whole, also beyond 100,000 bytes.
        table.row("string", all(true, TEXT), () -> put(key, "string", TEXT, STRING));
        table.row("long", "true true", () -> all(setValue0(HKCU, key, "long", LONG_TEXT, STRING, 0),
                LONG_TEXT.equals(getValue0(HKCU, key, "long", 0))));
        table.row("expand", "true com.tolvanrix.api.windows.WinRegistry$ExpandString:%SystemRoot%\\x", () -> all(
                setValue0(HKCU, key, "expand", "%SystemRoot%\\x", EXPAND, 0),
                getValue0(HKCU, key, "expand", 0).getClass().getName() + ":" + getValue0(HKCU, key, "expand", 0)));
        table.row("dword", "true -5", () -> put(key, "dword", Integer.valueOf(-5), DWORD));
        table.row("multi", all(true, MULTI_TEXT), () -> put(key, "multi", MULTI_TEXT, MULTI));
        table.row("multiEmpty", "true []", () -> put(key, "multiEmpty", new String[0], MULTI));
        table.row("binary", "true true", () -> all(setValue0(HKCU, key, "binary", big, BINARY, 0),
                Arrays.equals(big, (byte[]) getValue0(HKCU, key, "binary", 0))));
        table.row("default", "true unnamed", () -> put(key, null, "unnamed", STRING));
        table.row("gone", "true null", () -> {
            boolean set = setValue0(HKCU, key, "gone", "soon", STRING, 0);
            deleteValue0(HKCU, key, "gone", 0);
            return all(set, getValue0(HKCU, key, "gone", 0));
        });
        // A value name longer than the first enumeration buffer comes back whole.
        table.row("names", "[, <5000 units>, binary, dword, expand, long, multi, multiEmpty, string]", () -> {
            setValue0(HKCU, key, repeat('n', 5000), Integer.valueOf(1), DWORD, 0);
            String[] names = enumValues0(HKCU, key, 0);
            for (int i = 0; i < names.length; i++) {
                names[i] = names[i].length() > 40 ? "<" + names[i].length() + " units>" : names[i];
            }
            Arrays.sort(names);
            return names;
        });

        String tree = base + "\\keys\\tree";
        table.row("create.deep", true, () -> createKey0(HKCU, tree + "\\a\\b", 0));
        table.row("subkeys", "true true [a, c, d] null", () -> all(createKey0(HKCU, tree + "\\c", 0),
                createKey0(HKCU, tree + "\\d", 0), enumSubKeys0(HKCU, tree, 0), enumSubKeys0(HKCU, base + "\\no", 0)));
        table.row("onlyIfEmpty.kept", true, () -> {
            setValue0(HKCU, tree, "held", "1", STRING, 0);
            deleteKey0(HKCU, tree, true, 0);
            return keyExists0(HKCU, tree, 0);
        });
        table.row("onlyIfEmpty.emptyGone", false, () -> {
            deleteKey0(HKCU, tree + "\\c", true, 0);
            return keyExists0(HKCU, tree + "\\c", 0);
        });
        table.row("tree.gone", false, () -> {
            deleteKey0(HKCU, tree, false, 0);
            return keyExists0(HKCU, tree, 0);
        });
        table.row("kept", true, () -> createKey0(HKCU, base + "\\keys\\kept", 0));

        // The 32-bit view is Wow6432Node, and only there.
        String views = base + "\\views";
        table.row("view32", "true 32 null", () -> all(setValue0(HKLM, views, "side", "32", STRING, VIEW_32),
                getValue0(HKLM, views, "side", VIEW_32), getValue0(HKLM, views, "side", VIEW_64)));
        table.row("view32.removed", "true false", () -> {
            boolean made = createKey0(HKLM, views + "\\removed", VIEW_32);
            deleteKey0(HKLM, views + "\\removed", false, VIEW_32);
            return all(made, keyExists0(HKLM, views + "\\removed", VIEW_32));
        });

        table.row("fromTest", "written by reg.exe null", () -> all(getValue0(HKCU, base + "\\fromTest", "text", 0),
                getValue0(HKCU, base + "\\fromTest", "qword", 0)));
        table.row("saved", true, () -> saveKey0(HKCU, key, args[1], 0));
        table.row("notifyAssociations", null, () -> {
            changeNotifyAssociations0();
            return null;
        });
    }

    /** Writes the value and reads it back: both results. */
    private static String put(String key, String name, Object value, int type) {
        return all(setValue0(HKCU, key, name, value, type, 0), getValue0(HKCU, key, name, 0));
    }
}
