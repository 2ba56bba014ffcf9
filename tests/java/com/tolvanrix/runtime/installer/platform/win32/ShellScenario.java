package com.tolvanrix.runtime.installer.platform.win32;

import java.nio.charset.StandardCharsets;

/**
 * Drives the ShellLink natives and the object picker of a process without windows. args: the directory for
 * the links, the link target, the icon file. Writes full.lnk (every field, run as administrator), bare.lnk
 * (no working directory, icon, arguments or description) and notarget.lnk (no target), then tries a link in a
 * missing directory.
 */
public final class ShellScenario {
    static final String DESCRIPTION = "Gr\u00fc\u00dfe \u4e2d description";
    static final int MINIMIZED_NO_ACTIVATE = 7;

    private ShellScenario() {
    }

    public static void main(String[] args) {
        Report.binding();
        String dir = args[0];
        String target = args[1];
        String icon = args[2];
        Report.line("init", ShellLink.initialize0());
        Report.line("create.full", ShellLink.createWide0(dir + "\\full.lnk", target, dir, icon,
                "--mode full \"a b\"", true, DESCRIPTION, MINIMIZED_NO_ACTIVATE));
        Report.line("create.bare", ShellLink.createWide0(dir + "\\bare.lnk", target, null, null, null, false, null, 1));
        Report.line("create.notarget", ShellLink.createWide0(dir + "\\notarget.lnk", null, dir, null, null, false,
                null, 1));
        Report.line("create.missingDir", ShellLink.createWide0(dir + "\\no\\such\\x.lnk", target, dir, null, null,
                false, null, 1));
        // A path cut off without its terminator, and no path at all, are read no further than they go.
        byte[] cut = (dir + "\\full.lnk").getBytes(StandardCharsets.UTF_16LE);
        Report.line("notify", ShellLink.changeNotify0(wide(dir + "\\full.lnk"), wide(dir)) + " "
                + ShellLink.changeNotify0(cut, null));
        Report.line("uninit", ShellLink.uninitialize());
        Report.line("picker", ObjectPicker.show0(false, true, true, false, true));
        Report.done();
    }

    static byte[] wide(String text) {
        return (text + "\0").getBytes(StandardCharsets.UTF_16LE);
    }
}
