import com.tolvanrix.api.windows.InstallerStart;
import com.tolvanrix.runtime.installer.platform.win32.ObjectPicker;
import com.tolvanrix.runtime.installer.platform.win32.WinGuiHelper;

import java.awt.Color;
import java.awt.Component;
import java.awt.Frame;
import java.io.File;
import java.lang.management.ManagementFactory;
import java.lang.reflect.Method;

/**
 * Main class of the window-wait and splash tests: an installer that takes its time to show its window.
 * Prints "probe.pid=N", then acts on its arguments in order: "sleep=MS" waits, "ready" tells the launcher
 * through the runtime's API ("probe.ready=true|false"), "window=TITLE" shows an AWT frame of that title
 * ("probe.window"), "natives" reports the frame's handle, the same native given no method, a wrong target
 * and no target (each "0"), and the object picker owned by the frame ("probe.hwnd=", "probe.picker="),
 * "hold=PATH" waits until PATH exists (two minutes at most), "close" disposes of the
 * frame. The frame fills 320x240 pixels at the top left of the screen in cyan, away from the splash and
 * the dialog in the middle, so that a screenshot tells them apart. Main returns without System.exit, as
 * an installer whose last window has closed does.
 */
public class WindowProbe {
    public static void main(String[] args) throws Exception {
        System.out.println("probe.pid=" + ManagementFactory.getRuntimeMXBean().getName().split("@")[0]);
        Frame frame = null;
        for (String arg : args) {
            if (arg.startsWith("sleep=")) {
                Thread.sleep(Long.parseLong(arg.substring(6)));
            } else if (arg.equals("ready")) {
                System.out.println("probe.ready=" + InstallerStart.ready());
            } else if (arg.startsWith("window=")) {
                frame = new Frame(arg.substring(7));
                frame.setUndecorated(true);
                frame.setBackground(Color.CYAN);
                frame.setBounds(0, 0, 320, 240);
                frame.setVisible(true);
                System.out.println("probe.window");
            } else if (arg.equals("natives") && frame != null) {
                Natives.report(frame);
            } else if (arg.startsWith("hold=")) {
                for (int i = 0; i < 1200 && !new File(arg.substring(5)).exists(); i++) {
                    Thread.sleep(100);
                }
            } else if (arg.equals("close") && frame != null) {
                frame.dispose();
            }
        }
        System.out.println("probe.done");
    }

    /** Apart, so that runtimes without AWT load WindowProbe all the same. */
    private static final class Natives {
        static void report(Object frame) throws Exception {
            long hwnd = 0;
            for (int i = 0; i < 100 && hwnd == 0; i++) {
                Thread.sleep(i == 0 ? 0 : 100);
                hwnd = WinGuiHelper.getHwnd((Component) frame);
            }
            Method peerHandle = Class.forName("sun.awt.windows.WComponentPeer").getDeclaredMethod("getHWnd");
            System.out.println("probe.hwnd=" + hwnd + " " + WinGuiHelper.getHwnd0(null, frame) + " "
                    + WinGuiHelper.getHwnd0(peerHandle, "not a peer") + " " + WinGuiHelper.getHwnd0(peerHandle, null));
            System.out.println("probe.picker=" + ObjectPicker.show0(true, true, true, true, false));
        }
    }
}
