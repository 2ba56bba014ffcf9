package com.tolvanrix.runtime.installer.platform.win32;

import java.awt.Component;
import java.lang.reflect.Field;
import java.lang.reflect.Method;

/** The native window handle of a Java window, as owner of the native dialogs; implemented by the launcher executable. */
public final class WinGuiHelper {
    private static final String WINDOWS_PEER = "sun.awt.windows.WComponentPeer";

    private WinGuiHelper() {
    }

    public static native long getHwnd0(Method method, Object target);

    /**
     * The window handle of a displayed component (of its own native window: a frame's or dialog's top-level
     * window), or 0 when it has none yet or the toolkit is not the Windows one. The handle lives in the
     * toolkit's peer, which no public API hands out: the peer is read by reflection, which runtimes from Java 16
     * on refuse unless java.awt is opened to the installer (--add-opens java.desktop/java.awt=ALL-UNNAMED).
     */
    public static long getHwnd(Component component) {
        try {
            Field peerField = Component.class.getDeclaredField("peer");
            peerField.setAccessible(true);
            Object peer = peerField.get(component);
            if (peer == null) {
                return 0;
            }
            return getHwnd0(Class.forName(WINDOWS_PEER).getDeclaredMethod("getHWnd"), peer);
        } catch (ReflectiveOperationException | RuntimeException | LinkageError e) {
            return 0;
        }
    }
}
