package com.tolvanrix.runtime.installer.platform.win32;

/** Access control entries on files and registry keys; implemented by the launcher executable. */
public final class ACLHandling {
    private ACLHandling() {
    }

    public static native boolean addACE(String path, boolean registryKey, boolean read, boolean write,
            boolean execute, boolean all, int trusteeKind, String account);
}
