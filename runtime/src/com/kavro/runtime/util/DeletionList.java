package com.kavro.runtime.util;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.BasicFileAttributes;
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

    /**
     * Every file below root, and every directory below it followed by root itself, children first. A
     * link (symbolic link, junction or any other reparse point) is listed as itself and never entered:
     * whoever can write below root could otherwise point a link at any directory and have its contents
     * deleted. A directory link goes with the directories, since only a directory removal takes it away.
     */
    public static void collect(File root, List<File> files, List<File> directories) {
        Path realRoot;
        try {
            realRoot = root.toPath().toRealPath();
        } catch (IOException | RuntimeException e) {
            // A root that cannot be resolved is itself a dangling link or gone: name it, enter nothing.
            directories.add(root.getAbsoluteFile());
            return;
        }
        collect(root, realRoot, files, directories);
    }

    private static void collect(File directory, Path realDirectory, List<File> files, List<File> directories) {
        File[] entries = directory.listFiles();
        if (entries != null) {
            for (File entry : entries) {
                Path expected = realDirectory.resolve(entry.getName());
                Link link = link(entry, expected);
                if (link == Link.DIRECTORY) {
                    directories.add(entry.getAbsoluteFile());
                } else if (link == Link.NONE && entry.isDirectory()) {
                    collect(entry, expected, files, directories);
                } else {
                    files.add(entry.getAbsoluteFile());
                }
            }
        }
        directories.add(directory.getAbsoluteFile());
    }

    private enum Link { NONE, FILE, DIRECTORY }

    private static final int FILE_ATTRIBUTE_DIRECTORY = 0x10;
    private static final int FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

    /**
     * Whether entry is a link. Windows marks links with the reparse-point attribute, which the DOS view
     * shows without following them; where that view says nothing (some file systems report a link as a
     * plain directory), a directory whose resolved path is not where it is listed is one all the same.
     */
    private static Link link(File entry, Path expected) {
        Path path = entry.toPath();
        try {
            BasicFileAttributes basic = Files.readAttributes(path, BasicFileAttributes.class, LinkOption.NOFOLLOW_LINKS);
            int raw = dosAttributes(path);
            boolean directory = basic.isDirectory() || (raw & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (basic.isSymbolicLink() || basic.isOther() || (raw & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                return directory || entry.isDirectory() ? Link.DIRECTORY : Link.FILE;
            }
            if (directory && !path.toRealPath().toString().equalsIgnoreCase(expected.toString())) {
                return Link.DIRECTORY;
            }
            return Link.NONE;
        } catch (IOException | RuntimeException e) {
            // Unreadable or dangling: never entered, removed as whatever it claims to be.
            return entry.isDirectory() ? Link.DIRECTORY : Link.FILE;
        }
    }

    private static int dosAttributes(Path path) {
        try {
            Object value = Files.getAttribute(path, "dos:attributes", LinkOption.NOFOLLOW_LINKS);
            return value instanceof Integer ? (Integer) value : 0;
        } catch (IOException | RuntimeException e) {
            return 0;
        }
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
     * SecureRandom, and seeding one at the VM's shutdown cost as much as the rest of the cleanup.
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
