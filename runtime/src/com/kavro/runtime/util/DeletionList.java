package com.kavro.runtime.util;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.Charset;
import java.util.List;
import java.util.Random;

/**
 * The list the launcher's deletion mode reads: UTF-16LE without byte-order mark, lines ending in LF. The
 * first line names a semaphore that the writing process holds until it ends; the second is the mode; two
 * "EOSMARKER" lines close the (empty) restart question and failure texts; then one file per line, an empty
 * line, and one directory per line, deepest first. The list lives in the temporary directory, never in a
 * directory it names.
 */
public final class DeletionList {
    private static final Charset UTF_16LE = Charset.forName("UTF-16LE");
    private static final String MARKER = "EOSMARKER";

    private DeletionList() {
    }

    public static File write(String semaphore, String mode, List<File> files, List<File> directories)
            throws IOException {
        File list = newListFile();
        Writer out = new OutputStreamWriter(new FileOutputStream(list), UTF_16LE);
        try {
            line(out, semaphore);
            line(out, mode);
            line(out, MARKER);
            line(out, MARKER);
            for (File file : files) {
                line(out, file.getPath());
            }
            line(out, "");
            for (File directory : directories) {
                line(out, directory.getPath());
            }
        } finally {
            out.close();
        }
        return list;
    }

    /**
     * A new, empty file in the temporary directory, named as the JDK names its temporary files ("tlxdel", a
     * number, ".lst"), but numbered by an ordinary random generator: the JDK's temporary files take a
     * SecureRandom, whose seeding costs more than writing the list (lists are often written at the VM's
     * shutdown).
     */
    private static File newListFile() throws IOException {
        File directory = new File(System.getProperty("java.io.tmpdir"));
        Random random = new Random();
        for (int attempt = 0; attempt < 100; attempt++) {
            File file = new File(directory, "tlxdel" + Long.toUnsignedString(random.nextLong()) + ".lst");
            if (file.createNewFile()) {
                return file;
            }
        }
        throw new IOException("no new deletion list could be created in " + directory);
    }

    private static void line(Writer out, String text) throws IOException {
        out.write(text);
        out.write('\n');
    }
}
