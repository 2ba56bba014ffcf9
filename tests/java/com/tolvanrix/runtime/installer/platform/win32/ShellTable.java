package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;
import static com.tolvanrix.runtime.installer.platform.win32.ShellLink.*;

import java.nio.charset.StandardCharsets;

/**
 * The ShellLink natives and the object picker of a process without windows. args: the directory for the links,
 * the link target, the icon file. Writes full.lnk (every field, run as administrator), bare.lnk (no working
 * directory, icon, arguments or description) and notarget.lnk (no target) for the test to read back; nothing
 * is saved into a missing directory.
 */
public final class ShellTable {
    private static final int MINIMIZED_NO_ACTIVATE = 7;

    public static void fill(Scenario table, String[] args) {
        String dir = args[0];
        String target = args[1];
        table.row("create", "true true true true false", () -> all(initialize0(), createWide0(dir + "\\full.lnk",
                target, dir, args[2], "--mode full \"a b\"", true, "Gr\u00fc\u00dfe \u4e2d description",
                MINIMIZED_NO_ACTIVATE), createWide0(dir + "\\bare.lnk", target, null, null, null, false, null, 1),
                createWide0(dir + "\\notarget.lnk", null, dir, null, null, false, null, 1),
                createWide0(dir + "\\no\\such\\x.lnk", target, dir, null, null, false, null, 1)));
        // A path cut off without its terminator, and no path at all, are read no further than they go.
        byte[] cut = (dir + "\\full.lnk").getBytes(StandardCharsets.UTF_16LE);
        table.row("notify", "true true true", () -> all(changeNotify0(wide(dir + "\\full.lnk"), wide(dir)),
                changeNotify0(cut, null), uninitialize()));
        // No window of its own and no console: the picker has no owner.
        table.row("picker", null, () -> ObjectPicker.show0(false, true, true, false, true));
    }

    private static byte[] wide(String text) {
        return (text + "\0").getBytes(StandardCharsets.UTF_16LE);
    }
}
