package com.tolvanrix.runtime.installer.platform.win32;

/**
 * Which platform classes the launcher bound: the runtime's answer, one native of a class bound before
 * Misc, and one of a class after it (an UnsatisfiedLinkError when it was never bound). Touches no Misc.
 */
public final class BindingScenario {
    private BindingScenario() {
    }

    public static void main(String[] args) {
        Report.binding();
        Report.line("fileVersion", FileVersion.compare0(null, null));
        try {
            Report.line("registry", Registry.keyExists0(2, "Software", 0));
        } catch (UnsatisfiedLinkError e) {
            Report.line("registry", "unbound");
        }
        try {
            Report.line("services", Win32Services.queryStatus0("tlx-no-such-service"));
        } catch (UnsatisfiedLinkError e) {
            Report.line("services", "unbound");
        }
        Report.done();
    }
}
