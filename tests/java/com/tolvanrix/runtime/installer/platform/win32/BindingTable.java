package com.tolvanrix.runtime.installer.platform.win32;

/**
 * Which platform classes the launcher bound: one native of a class bound before Misc, and one each of two
 * classes after it, which are never bound. Touches no Misc.
 */
public final class BindingTable {
    public static void fill(Scenario table, String[] args) {
        table.row("fileVersion", 3, () -> FileVersion.compare0(null, null));
        table.row("registry", UnsatisfiedLinkError.class, () -> Registry.keyExists0(2, "Software", 0));
        table.row("services", UnsatisfiedLinkError.class, () -> Win32Services.queryStatus0("tlx-no-such-service"));
    }
}
