import java.awt.Color;
import java.awt.Frame;
import java.io.File;

/**
 * Main class of the splash tests: an installer whose first window is a real AWT frame. Arguments:
 * "show=PATH" waits until PATH exists before the frame shows, "close=PATH" keeps the frame up until
 * PATH exists (two minutes at most each). The frame fills 320x240 pixels at the top left of the
 * screen in cyan, away from the splash in the middle, so that a screenshot tells the two apart.
 */
public final class AwtWindowApp {
    public static void main(String[] args) throws Exception {
        for (String arg : args) {
            if (arg.startsWith("show=")) {
                waitFor(arg.substring(5));
            }
        }
        Frame frame = new Frame("Test installer window");
        frame.setUndecorated(true);
        frame.setBackground(Color.CYAN);
        frame.setBounds(0, 0, 320, 240);
        frame.setVisible(true);
        System.out.println("window.shown");
        for (String arg : args) {
            if (arg.startsWith("close=")) {
                waitFor(arg.substring(6));
            }
        }
        frame.dispose();
        System.out.println("window.closed");
    }

    private static void waitFor(String path) throws InterruptedException {
        for (int i = 0; i < 1200 && !new File(path).exists(); i++) {
            Thread.sleep(100);
        }
    }
}
