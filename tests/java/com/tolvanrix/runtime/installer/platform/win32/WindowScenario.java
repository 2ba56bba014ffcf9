package com.tolvanrix.runtime.installer.platform.win32;

import java.awt.Frame;
import java.io.File;

/**
 * A real AWT window and the natives that take a window: its handle through WinGuiHelper, and the object
 * picker owned by it. args: the window's title, a file whose appearance ends the scenario. Reports the
 * handle and the process id, then keeps the window open until the test has looked at it.
 */
public final class WindowScenario {
    private WindowScenario() {
    }

    public static void main(String[] args) throws Exception {
        Report.binding();
        Report.line("noMethod", WinGuiHelper.getHwnd0(null, "x"));
        Frame frame = new Frame(args[0]);
        frame.setBounds(100, 100, 320, 200);
        frame.setVisible(true);
        long hwnd = 0;
        for (int i = 0; i < 100 && hwnd == 0; i++) {
            Thread.sleep(100);
            hwnd = WinGuiHelper.getHwnd(frame);
        }
        java.lang.reflect.Method method = Class.forName("sun.awt.windows.WComponentPeer").getDeclaredMethod("getHWnd");
        Report.line("wrongTarget", WinGuiHelper.getHwnd0(method, "not a peer") + " "
                + WinGuiHelper.getHwnd0(method, null));
        Report.line("pid", Win32CommunicationBackend.getCurrentProcessId0());
        Report.line("hwnd", hwnd);
        // The picker has an owner now, so it goes as far as the system's picker, which answers nothing here.
        Report.line("picker", ObjectPicker.show0(true, true, true, true, false));
        File release = new File(args[1]);
        for (int i = 0; i < 1200 && !release.exists(); i++) {
            Thread.sleep(100);
        }
        frame.dispose();
        Report.done();
        System.exit(0);
    }
}
