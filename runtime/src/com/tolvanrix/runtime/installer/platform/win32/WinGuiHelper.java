package com.tolvanrix.runtime.installer.platform.win32;

import java.lang.reflect.Method;

/** The native window handle of a Java window, as owner of the native dialogs; implemented by the launcher executable. */
public final class WinGuiHelper {
    private WinGuiHelper() {
    }

    public static native long getHwnd0(Method method, Object target);
}
