package com.tolvanrix.runtime.installer.platform.win32;

import java.util.Arrays;

/**
 * Drives the Registry natives below HKEY_CURRENT_USER\BASE (args[0]) and HKEY_LOCAL_MACHINE\BASE in the
 * 32-bit view. The test prepared BASE\fromTest (a REG_SZ "text" and a REG_QWORD "qword") and checks
 * what the natives wrote with reg.exe afterwards.
 */
public final class RegistryScenario {
    private static final int HKCU = 2;
    private static final int HKLM = 3;
    private static final int VIEW_64 = 0x100;
    private static final int VIEW_32 = 0x200;
    private static final int STRING = 1;
    private static final int DWORD = 2;
    private static final int MULTI = 3;
    private static final int BINARY = 4;
    private static final int EXPAND = 5;

    private RegistryScenario() {
    }

    public static void main(String[] args) {
        Report.binding();
        String base = args[0];
        values(base + "\\values");
        keys(base + "\\keys");
        views(base + "\\views");
        Report.line("fromTest.text", Registry.getValue0(HKCU, base + "\\fromTest", "text", 0));
        Report.line("fromTest.qword", Registry.getValue0(HKCU, base + "\\fromTest", "qword", 0));
        Report.line("saved", Registry.saveKey0(HKCU, base + "\\values", args[1], 0));
        Registry.changeNotifyAssociations0();
        Report.done();
    }

    private static void values(String key) {
        String text = "Gr\u00fc\u00dfe \u4e2d text";
        Report.line("set.string", Registry.setValue0(HKCU, key, "string", text, STRING, 0));
        Report.line("get.string", text.equals(Registry.getValue0(HKCU, key, "string", 0)));
        char[] longText = new char[60000];
        Arrays.fill(longText, 'x');
        Report.line("set.long", Registry.setValue0(HKCU, key, "long", new String(longText), STRING, 0));
        Report.line("get.long.length", ((String) Registry.getValue0(HKCU, key, "long", 0)).length());
        Report.line("set.expand", Registry.setValue0(HKCU, key, "expand", "%SystemRoot%\\x", EXPAND, 0));
        Object expand = Registry.getValue0(HKCU, key, "expand", 0);
        Report.line("get.expand", expand.getClass().getName() + ":" + expand);
        Report.line("set.dword", Registry.setValue0(HKCU, key, "dword", Integer.valueOf(-5), DWORD, 0));
        Report.line("get.dword", Registry.getValue0(HKCU, key, "dword", 0));
        String[] multi = {"one", "zwei", "\u4e09"};
        Report.line("set.multi", Registry.setValue0(HKCU, key, "multi", multi, MULTI, 0));
        Object multiRead = Registry.getValue0(HKCU, key, "multi", 0);
        Report.line("get.multi", multiRead instanceof String[] && Arrays.equals(multi, (String[]) multiRead));
        Report.line("set.multiEmpty", Registry.setValue0(HKCU, key, "multiEmpty", new String[0], MULTI, 0));
        Report.line("get.multiEmpty", Registry.getValue0(HKCU, key, "multiEmpty", 0));
        byte[] big = new byte[200000];
        for (int i = 0; i < big.length; i++) {
            big[i] = (byte) (i * 7 + i / 256);
        }
        Report.line("set.binary", Registry.setValue0(HKCU, key, "binary", big, BINARY, 0));
        byte[] read = (byte[]) Registry.getValue0(HKCU, key, "binary", 0);
        Report.line("get.binary", read.length + " " + Arrays.equals(read, big));
        Report.line("set.default", Registry.setValue0(HKCU, key, null, "unnamed", STRING, 0));
        Report.line("get.default", Registry.getValue0(HKCU, key, null, 0));
        Registry.setValue0(HKCU, key, "gone", "soon", STRING, 0);
        Registry.deleteValue0(HKCU, key, "gone", 0);
        Report.line("get.gone", Registry.getValue0(HKCU, key, "gone", 0));
        char[] longName = new char[5000];
        Arrays.fill(longName, 'n');
        Registry.setValue0(HKCU, key, new String(longName), Integer.valueOf(1), DWORD, 0);
        StringBuilder names = new StringBuilder();
        for (String name : Registry.enumValues0(HKCU, key, 0)) {
            names.append(name.length() > 40 ? "<" + name.length() + " units>" : name).append(' ');
        }
        Report.line("names", names.toString().trim());
    }

    private static void keys(String key) {
        Report.line("create.deep", Registry.createKey0(HKCU, key + "\\tree\\a\\b", 0));
        Registry.createKey0(HKCU, key + "\\tree\\c", 0);
        Registry.createKey0(HKCU, key + "\\tree\\d", 0);
        Report.line("subkeys", Registry.enumSubKeys0(HKCU, key + "\\tree", 0));
        Report.line("subkeys.missing", Registry.enumSubKeys0(HKCU, key + "\\missing", 0));
        Registry.setValue0(HKCU, key + "\\tree", "held", "1", STRING, 0);
        Registry.deleteKey0(HKCU, key + "\\tree", true, 0);
        Report.line("onlyIfEmpty.kept", Registry.keyExists0(HKCU, key + "\\tree", 0));
        Registry.deleteKey0(HKCU, key + "\\tree\\c", true, 0);
        Report.line("onlyIfEmpty.emptyGone", !Registry.keyExists0(HKCU, key + "\\tree\\c", 0));
        Registry.deleteKey0(HKCU, key + "\\tree", false, 0);
        Report.line("tree.gone", !Registry.keyExists0(HKCU, key + "\\tree", 0));
        Report.line("kept", Registry.createKey0(HKCU, key + "\\kept", 0));
    }

    private static void views(String key) {
        Report.line("view32.set", Registry.setValue0(HKLM, key, "side", "32", STRING, VIEW_32));
        Report.line("view32.get", Registry.getValue0(HKLM, key, "side", VIEW_32));
        Report.line("view64.get", Registry.getValue0(HKLM, key, "side", VIEW_64));
        Registry.createKey0(HKLM, key + "\\removed", VIEW_32);
        Registry.deleteKey0(HKLM, key + "\\removed", false, VIEW_32);
        Report.line("view32.removed", !Registry.keyExists0(HKLM, key + "\\removed", VIEW_32));
    }
}
