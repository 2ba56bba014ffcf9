import com.tolvanrix.api.windows.InstallerStart;

import java.awt.Frame;
import java.io.File;
import java.lang.management.ManagementFactory;

/**
 * Main class of the window-wait tests: an installer that takes its time to show its window. Prints
 * "probe.pid=N", then acts on its arguments in order: "sleep=MS" waits, "ready" tells the launcher
 * through the runtime's API ("probe.ready=true|false"), "window=TITLE" shows an AWT frame of that title
 * ("probe.window"), "hold=PATH" waits until PATH exists (two minutes at most), "close" disposes of the
 * frame. Main returns without System.exit, as an installer whose last window has closed does.
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
                frame.setBounds(100, 100, 480, 320);
                frame.setVisible(true);
                System.out.println("probe.window");
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
}
