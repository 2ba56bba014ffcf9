package com.tolvanrix.runtime.installer.platform.win32;

/**
 * The Windows registry; implemented by the launcher executable. Roots are the codes 1 (classes root) to
 * 5 (current config); view is the access-mask fragment that selects a registry view, or 0.
 */
public final class Registry {
    private Registry() {
    }

    public static native boolean keyExists0(int root, String key, int view);

    public static native boolean createKey0(int root, String key, int view);

    public static native Object getValue0(int root, String key, String name, int view);

    public static native boolean setValue0(int root, String key, String name, Object value, int type, int view);

    public static native void deleteValue0(int root, String key, String name, int view);

    public static native void deleteKey0(int root, String key, boolean onlyIfEmpty, int view);

    public static native boolean saveKey0(int root, String key, String file, int view);

    public static native boolean restoreKey0(int root, String key, String file, int view);

    public static native String[] enumSubKeys0(int root, String key, int view);

    public static native String[] enumValues0(int root, String key, int view);

    public static native void changeNotifyAssociations0();
}
