package sample;

import java.io.BufferedReader;
import java.io.File;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.Charset;
import java.util.Arrays;

/**
 * The sample application of the tolvanrix launcher: shows where it runs and what it was given, and reads
 * a file that came out of the setup file's payload.
 */
public final class SampleInstaller {
    private SampleInstaller() {
    }

    public static void main(String[] args) throws IOException {
        System.out.println("Sample installer running on Java " + System.getProperty("java.version") + " ("
                + System.getProperty("java.vm.name") + ", " + System.getProperty("os.name") + ")");
        System.out.println("  setup file:           " + System.getProperty("kavro.moduleName"));
        System.out.println("  extraction directory: " + System.getProperty("kavro.tempDir"));
        System.out.println("  program arguments:    " + Arrays.toString(args));
        File directory = new File(System.getProperty("kavro.tempDir", "."));
        String[] names = directory.list();
        if (names != null) {
            Arrays.sort(names);
            System.out.println("  extracted files:      " + Arrays.toString(names));
        }
        File readme = new File(directory, "readme.txt");
        if (readme.isFile()) {
            BufferedReader in = new BufferedReader(
                    new InputStreamReader(new FileInputStream(readme), Charset.forName("UTF-8")));
            try {
                for (String line = in.readLine(); line != null; line = in.readLine()) {
                    System.out.println("  readme.txt: " + line);
                }
            } finally {
                in.close();
            }
        }
        System.out.println("Sample installer done.");
    }
}
