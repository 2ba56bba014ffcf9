package com.tolvanrix.runtime.launcher;

/** Entry class of the installer flavour: the launcher calls main with the launcher arguments. */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void main(String[] args) throws Throwable {
        LaunchSequence.run(args);
    }
}
