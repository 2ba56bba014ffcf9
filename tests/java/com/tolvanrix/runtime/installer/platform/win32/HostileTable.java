package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.ACLHandling.*;
import static com.tolvanrix.runtime.installer.platform.win32.DialogTable.STALE_WINDOW;
import static com.tolvanrix.runtime.installer.platform.win32.FileVersion.*;
import static com.tolvanrix.runtime.installer.platform.win32.FolderInfo.*;
import static com.tolvanrix.runtime.installer.platform.win32.Misc.*;
import static com.tolvanrix.runtime.installer.platform.win32.Registry.*;
import static com.tolvanrix.runtime.installer.platform.win32.RegistryTable.*;
import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32CommunicationBackend.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32Services.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32UserInfo.*;
import static com.tolvanrix.runtime.installer.platform.win32.WinGuiHelper.*;

import java.io.File;
import java.io.FileDescriptor;
import java.io.FileInputStream;
import java.io.RandomAccessFile;
import java.lang.reflect.Field;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Arrays;

/**
 * Every native called with what a careless or hostile caller may pass: null, empty, U+0000 inside, 40,000
 * units, handles that are none, negative numbers. Each row must answer without an exception and leave what a
 * cut or misread argument would hit as it was: the registry tree below BASE (args[0]), the files in DIR
 * (args[1]), a victim service installed here (program args[2], name args[3] + "-victim"), the renames pending
 * for the restart. args[4]: a pipe name; args[5]: a file with a version resource. The heap holds no 64 MiB.
 */
public final class HostileTable {
    private static final String LONG = repeat('x', 40000);
    private static final long NO_SUCH_HANDLE = 0x7FFFFFFCL;

    /** A peer whose handle method the window helper may keep; a negative value makes the method throw. */
    public static final class Peer {
        private final long value;

        Peer(long value) {
            this.value = value;
        }

        public long handle() {
            if (value < 0) {
                throw new IllegalStateException("a peer that throws");
            }
            return value;
        }
    }

    public static void fill(Scenario table, String[] args) throws Exception {
        String base = args[0];
        String dir = args[1];
        String victim = base + "\\victim";
        setValue0(HKCU, victim, "x", "kept", STRING, 0);
        setValue0(HKCU, victim, null, "default kept", STRING, 0);
        setValue0(HKCU, victim + "\\child", "y", new String[] {"a", "b"}, MULTI, 0);
        createKey0(HKCU, base + "\\sibling", 0);
        Files.write(Paths.get(dir, "victim.txt"), "kept".getBytes("UTF-8"));
        table.watch(() -> all(tree(HKCU, base), keyExists0(HKCU, "Software", 0), getValue0(HKCU, null, "tlxHostile",
                0)));
        table.watch(() -> Arrays.toString(new File(dir).list()));
        table.watch(() -> getValue0(HKLM, "System\\CurrentControlSet\\Control\\Session Manager",
                "PendingFileRenameOperations", 0));
        registry(table, base, victim, dir);
        folders(table, dir, args[5]);
        misc(table, dir, dir + "\\victim.txt");
        services(table, args[2], args[3]);
        accounts(table, victim, dir);
        pipes(table, args[4], dir);
        shell(table, dir);
        windows(table, dir);
    }

    private static void registry(Scenario table, String base, String victim, String dir) {
        table.row("registry.keyExists", "false false false false", () -> all(keyExists0(HKCU, victim + "\u0000junk",
                0), keyExists0(HKCU, base + "\\" + LONG, 0), keyExists0(0, "Software", 0),
                keyExists0(Integer.MIN_VALUE, "Software", 0)));
        table.row("registry.createKey", "false false false false", () -> all(createKey0(HKCU, base + "\\new\u0000key",
                0), createKey0(HKCU, null, 0), createKey0(HKCU, base + "\\" + LONG, 0), createKey0(6, base, 0)));
        table.row("registry.getValue", "null null null", () -> all(getValue0(HKCU, victim, "x\u0000y", 0),
                getValue0(HKCU, victim + "\u0000", "x", 0), getValue0(0, victim, "x", 0)));
        table.row("registry.setValue.names", "false false false", () -> all(setValue0(HKCU, victim, "\u0000name",
                "evil", STRING, 0), setValue0(HKCU, victim + "\u0000\\x", "x", "evil", STRING, 0),
                setValue0(HKCU, null, "tlxHostile", "evil", STRING, 0)));
        // Data that cannot be stored whole is not stored at all.
        table.row("registry.setValue.data", "false false false false false false", () -> all(setValue0(HKCU, victim,
                "x", "evil\u0000more", STRING, 0), setValue0(HKCU, victim, "x", "evil\u0000", EXPAND, 0),
                setValue0(HKCU, victim, "x", new String[] {"a", "b\u0000c"}, MULTI, 0),
                setValue0(HKCU, victim, "x", new String[] {"a", null}, MULTI, 0),
                setValue0(HKCU, victim, "x", new String[] {"a", ""}, MULTI, 0),
                setValue0(HKCU, victim, "x", new byte[16 * 1024 * 1024 + 1], BINARY, 0)));
        // Value objects of the wrong class, a null value, an unknown type code, a name longer than any.
        table.row("registry.setValue.classes", "false false false false false false false", () -> all(
                setValue0(HKCU, victim, "x", Integer.valueOf(3), STRING, 0), setValue0(HKCU, victim, "x", "a", BINARY,
                0), setValue0(HKCU, victim, "x", "7", DWORD, 0), setValue0(HKCU, victim, "x", new byte[3], MULTI, 0),
                setValue0(HKCU, victim, "x", null, STRING, 0), setValue0(HKCU, base + "\\new", "x", "a", 9, 0),
                setValue0(HKCU, victim, LONG, "v", STRING, 0)));
        table.row("registry.deleteValue", null, () -> {
            deleteValue0(HKCU, victim, "x\u0000tmp", 0);
            deleteValue0(HKCU, victim + "\u0000\\child", "x", 0);
            deleteValue0(HKCU, victim, LONG, 0);
            return null;
        });
        // None may take HKEY_CURRENT_USER, or the victim, with it.
        table.row("registry.deleteKey", null, () -> {
            for (String path : new String[] {victim + "\u0000\\child", "", "\\\\", null, base + "\\" + LONG}) {
                deleteKey0(HKCU, path, false, 0);
            }
            deleteKey0(6, victim, false, 0);
            return null;
        });
        table.row("registry.saveAndRestore", "false false false false", () -> all(saveKey0(HKCU, victim, dir
                + "\\saved\u0000.hive", 0), saveKey0(HKCU, victim, null, 0), restoreKey0(HKCU, victim, dir
                + "\\victim.txt\u0000", 0), restoreKey0(0, base, dir + "\\victim.txt", 0)));
        table.row("registry.enum", "null null null", () -> all(enumSubKeys0(HKCU, victim + "\u0000", 0),
                enumValues0(HKCU, victim + "\u0000", 0), enumSubKeys0(6, "Software", 0)));
    }

    private static void folders(Scenario table, String dir, String versioned) {
        table.row("fileVersion.compare", "3 3 3 3", () -> all(compare0(versioned + "\u0000x", versioned),
                compare0(versioned, null), compare0(null, null), compare0(LONG, versioned)));
        table.row("folderInfo.specialFolder", true, () -> getSpecialFolder0(Integer.MIN_VALUE, true)
                .equals(getSpecialFolder0(-1, false)));
        table.row("folderInfo.pathFromRegistry", "null null", () -> all(getPathFromRegistry0("ProgramFilesDir\u0000x"),
                getPathFromRegistry0(LONG)));
        table.row("folderInfo.driveType", "1 1", () -> all(getDriveType0("C:\\\u0000"), getDriveType0(LONG)));
        // On failure the very string passed in comes back.
        String nul = dir + "\u0000";
        table.row("folderInfo.shortPath", "true true", () -> all(getShortPathName0(nul) == nul,
                getShortPathName0(LONG) == LONG));
        table.row("folderInfo.universalPath", ";87 ;87", () -> all(getUniversalPathName0(null),
                getUniversalPathName0("C:\\windows\u0000")));
    }

    private static void misc(Scenario table, String dir, String victimFile) {
        table.row("misc.freeDiskSpace", "-1 -1", () -> all(getFreeDiskSpace0(dir + "\u0000"), getFreeDiskSpace0(LONG)));
        // A target that is refused must not read as none (a deletion).
        table.row("misc.moveAtRestart", "false false false", () -> all(moveWithDelayUntilReboot0(victimFile, dir
                + "\\moved\u0000x"), moveWithDelayUntilReboot0(null, null),
                moveWithDelayUntilReboot0(victimFile + "\u0000", null)));
        table.row("misc.launch", "87 87 87 87 87", () -> all(launch0(null, null), launch0(LONG, null),
                launch0(null, LONG), launch0(null, "cmd.exe /c exit\u0000 7"),
                launch0("C:\\windows\\system32\\cmd.exe\u0000", null)));
        table.row("misc.terminate", "1 0 0", () -> all(terminateProcesses0(null, true, 0),
                terminateProcesses0(new int[] {-1}, true, 0), terminateProcesses0(new int[] {-5}, false, -1)));
        table.row("misc.windowTitle", "[]", () -> "[" + getWindowTitle0(-1) + "]");
    }

    private static void services(Scenario table, String program, String prefix) throws Exception {
        String victim = prefix + "-victim";
        String other = prefix + "-other";
        String binary = "\"" + program + "\"";
        if (installService0(victim, "Tlx Victim", binary) != 0) {
            throw new IllegalStateException("the victim service could not be installed");
        }
        table.afterwards(() -> uninstallService0(victim));
        table.watch(() -> tree(HKLM, "System\\CurrentControlSet\\Services\\" + victim));
        table.watch(() -> all(queryStatus0(victim), queryStatus0(other)));
        for (String name : new String[] {victim + "\u0000-other", null}) {
            table.row("services.byName." + (name == null ? "null" : "nul"), "87 87 87 87 87 87 87 [ 87]", () -> all(
                    uninstallService0(name), stopService0(name), startService0(name), queryStatus0(name),
                    getStartType0(name), setRestartServiceConfig0(name, true, 1),
                    changeServiceConfig0(name, "Evil", null, -1, -1, null, null, null, null))
                    + " [" + getServiceBinary0(name) + "]");
        }
        table.row("services.install", "87 87 87 87 87", () -> all(installService0(null, null, binary),
                installService0(other, null, null), installService0(other + "\u0000x", null, binary),
                installService0(other, "Evil\u0000", binary), installService0(other, null, binary + "\u0000 evil")));
        // Each refused whole, though the others would change nothing; a dependency list longer than its buffer
        // is refused rather than cut into other names.
        table.row("services.change", "87 87 87 87 87 87 87", () -> all(changeServiceConfig0(victim, "Evil\u0000",
                null, -1, -1, null, null, null, null), changeServiceConfig0(victim, null, binary + "\u0000", -1, -1,
                null, null, null, null), changeServiceConfig0(victim, null, null, -1, -1, "a\u0000b", null, null,
                null), changeServiceConfig0(victim, null, null, -1, -1, null, "LocalSystem\u0000", null, null),
                changeServiceConfig0(victim, null, null, -1, -1, null, null, "p\u0000", null),
                changeServiceConfig0(victim, null, null, -1, -1, null, null, null, "d\u0000"),
                changeServiceConfig0(victim, "Not Taken", null, 0x10, 4, "tlxdepA," + repeat('x', 9000),
                null, null, null)));
    }

    private static void accounts(Scenario table, String victim, String dir) {
        String sid = getUserSid0();
        table.row("userInfo.addUser", "2 87 1|2 87 1|2 87 3|2 87 3|2 87 5|1 87|6 87", () -> addUser0(null, "pw",
                null, null, null, false, false) + "|" + addUser0("u\u0000x", "pw", null, null, null, false, false)
                + "|" + addUser0("u", null, null, null, null, false, false) + "|" + addUser0("u", "p\u0000w", null,
                null, null, false, false) + "|" + addUser0("u", "pw", "c\u0000", null, null, false, false) + "|"
                + addUser0("u", "pw", null, "g\u0000", null, true, false) + "|" + addUser0("u", "pw", null, "g",
                "c\u0000", false, false));
        table.row("userInfo.delete", "87 87 87 87", () -> all(deleteUser0(null, null), deleteUser0(null, "u\u0000x"),
                deleteLocalGroup0("\u0000", "g"), deleteLocalGroup0(null, null)));
        table.row("userInfo.accountName", "[ 87] [ 87] [ 87]", () -> "[" + getAccountName0(null, false) + "] ["
                + getAccountName0("S-1-5-18\u0000x", false) + "] [" + getAccountName0("S-1-5-32-544\u0000", true)
                + "]");
        table.row("userInfo.profile", "[ could not convert sid 87] [ could not get token 87] [ could not get token 87]",
                () -> "[" + getUserProfileDirectory0("S-1-5-18\u0000", "pw") + "] [" + getUserProfileDirectory0(sid,
                null) + "] [" + getUserProfileDirectory0(sid, "pw\u0000") + "]");
        // A refused right must not read as none: that would revoke every right.
        table.row("userInfo.lsaRight", "false false false false", () -> all(setLsaAccountRight0(
                "Administrators\u0000x", "SeServiceLogonRight", true), setLsaAccountRight0("Administrators",
                "Se\u0000x", false), setLsaAccountRight0(null, "SeServiceLogonRight", true),
                setLsaAccountRight0("Administrators", LONG, true)));
        table.row("userInfo.executeElevated", "false false false false", () -> all(executeElevated0(null, null, null,
                0), executeElevated0("cmd.exe\u0000x", "/c exit", null, 0), executeElevated0("cmd.exe",
                "/c exit\u0000", null, 0), executeElevated0("cmd.exe", "/c exit", dir + "\u0000", 0)));
        table.row("userInfo.member", "false false", () -> all(isMemberOfGroup0(-1),
                isMemberOfGroup0(Integer.MIN_VALUE)));
        String key = "CURRENT_USER\\" + victim;
        table.row("acl.addACE", "false false false false", () -> all(addACE(null, false, true, false, false, false, 0,
                null), addACE(key + "\u0000x", true, true, false, false, false, 0, null), addACE(key, true, true,
                false, false, false, 3, null), addACE(key, true, true, false, false, false, 3, "Administrators\u0000")
                ));
    }

    private static void pipes(Scenario table, String name, String dir) throws Exception {
        table.row("pipe.listener", "-1 -1 -1", () -> all(createListener0(null), createListener0(name
                + "-other\u0000x"), createListener0(LONG)));
        // Pipes only: not a file, not a name that leaves the pipe folder, not the pipe a cut name would reach.
        long listener = createListener0(name);
        table.afterwards(() -> {
            closeHandle0(listener);
            return null;
        });
        table.row("pipe.client", "0 0 0 0 0", () -> all(connectClient0(null), connectClient0(dir + "\\victim.txt"),
                connectClient0("\\\\.\\pipe\\..\\" + dir.substring(0, 2)), connectClient0("\\\\.\\pipe\\a/../b"),
                connectClient0(name + "\u0000x")));
        table.row("pipe.noHandle", "null null null null false false false false", () -> {
            Object[] read = new Object[4];
            long[] handles = {-1, 0, NO_SUCH_HANDLE, Long.MIN_VALUE};
            for (int i = 0; i < handles.length; i++) {
                read[i] = readDataBlock0(handles[i]);
                disconnectNamedPipe0(handles[i]);
                closeHandle0(handles[i]);
            }
            return all(all(read), writeDataBlock0(-1, new byte[1]), writeDataBlock0(listener, null),
                    connectNamedPipe0(-1), connectNamedPipe0(NO_SUCH_HANDLE));
        });
        table.row("pipe.alive", "false false false", () -> all(isProcessAlive0(-1), isProcessAlive0(0),
                isProcessAlive0(Integer.MIN_VALUE)));
        // Prefixes no writer of ours makes, from a partner that opens the pipe as a plain file: negative and 2 GiB
        // refused without allocating, 64 MiB that the heap cannot hold, a partner gone mid-block.
        table.row("pipe.raw", "null null null null", () -> all(rawBlock(name + "-1", new byte[] {-1, -1, -1, -1},
                false), rawBlock(name + "-2", new byte[] {-1, -1, -1, 0x7f}, false), rawBlock(name + "-3",
                new byte[] {0, 0, 0, 4}, false), rawBlock(name + "-4", new byte[] {10, 0, 0, 0, 1, 2, 3}, true)));
        // A handle that is not a pipe: a file whose end comes before the block's.
        String endless = dir + "\\endless.bin";
        Files.write(Paths.get(endless), new byte[] {10, 0, 0, 0, 1, 2, 3});
        table.row("pipe.file", "null false", () -> {
            try (FileInputStream file = new FileInputStream(endless)) {
                Field field = FileDescriptor.class.getDeclaredField("handle");
                field.setAccessible(true);
                long handle = field.getLong(file.getFD());
                return all(readDataBlock0(handle), writeDataBlock0(handle, new byte[1]));
            }
        });
    }

    private static void shell(Scenario table, String dir) {
        String target = dir + "\\victim.txt";
        ShellLink.initialize0();
        table.row("shellLink.create", "false false false false false", () -> all(ShellLink.createWide0(null, target,
                dir, null, null, false, null, 1), ShellLink.createWide0(dir + "\\evil.lnk\u0000x", target, null, null,
                null, false, null, 1), ShellLink.createWide0(dir + "\\t.lnk", target + "\u0000", null, null, null,
                false, null, 1), ShellLink.createWide0(dir + "\\d.lnk", target, null, null, null, false, "d\u0000", 1),
                ShellLink.createWide0(LONG, target, null, null, null, false, null, 1)));
        table.row("shellLink.changeNotify", "true true true", () -> all(ShellLink.changeNotify0(new byte[0],
                new byte[1]), ShellLink.changeNotify0(null, null), ShellLink.changeNotify0(new byte[] {0, 0},
                new byte[] {'C', 0, ':', 0})));
    }

    private static void windows(Scenario table, String dir) throws Exception {
        // A window that is gone: no dialog is shown, whatever else is odd.
        table.row("fileChooser", "null null null", () -> all(VistaFileChooser.displayDialog0(STALE_WINDOW,
                "t\u0000x", "ok\u0000", dir, null, 0, 0, false, null, null, null, 0, null, null),
                VistaFileChooser.displayDialog0(STALE_WINDOW, null, null, dir + "\u0000", null, 0, 0, true, null, null,
                null, 0, null, null), VistaFileChooser.displayDialog0(STALE_WINDOW, null, null, null, null, 0, 0,
                false, null, new String[] {"a", null, "c"}, new String[] {null}, Integer.MIN_VALUE,
                new String[] {null, "x\u0000y"}, new boolean[0])));
        table.row("taskDialog", "0 0", () -> all(VistaTaskDialog.show0(STALE_WINDOW, "t\u0000x", null, "c\u0000", 0,
                -1, -1, "v\u0000", new String[] {null, "b"}, Integer.MAX_VALUE), VistaTaskDialog.show0(STALE_WINDOW,
                null, null, null, 0, 0, 0, null, null, -1)));
        table.row("objectPicker", null, () -> ObjectPicker.show0(true, true, true, true, false));
        // Methods that cannot be called as the handle method are not kept: the fitting one still is.
        Method handle = Peer.class.getMethod("handle");
        table.row("guiHelper.getHwnd", "0 0 0 0 4660 0 0", () -> all(getHwnd0(null, null),
                getHwnd0(String.class.getMethod("charAt", int.class), "abc"),
                getHwnd0(System.class.getMethod("currentTimeMillis"), "x"),
                getHwnd0(Object.class.getMethod("hashCode"), "x"), getHwnd0(handle, new Peer(4660)),
                getHwnd0(handle, new Peer(-1)), getHwnd0(handle, "not a peer")));
    }

    /** A new pipe whose partner opens it as a plain file and sends the bytes; what the listener reads. */
    private static byte[] rawBlock(String name, byte[] bytes, boolean closeFirst) throws Exception {
        long listener = createListener0(name);
        try (RandomAccessFile partner = new RandomAccessFile(name, "rw")) {
            if (!connectNamedPipe0(listener)) {
                throw new IllegalStateException("not connected");
            }
            partner.write(bytes);
            if (closeFirst) {
                partner.close();
            }
            return readDataBlock0(listener);
        } finally {
            closeHandle0(listener);
        }
    }

    /** Every key below root\path with its values and their data, depth first. */
    private static String tree(int root, String path) {
        StringBuilder out = new StringBuilder(path);
        String[] values = enumValues0(root, path, 0);
        for (String value : values == null ? new String[0] : values) {
            out.append(' ').append(value).append('=').append(text(getValue0(root, path, value, 0)));
        }
        out.append(" default=").append(text(getValue0(root, path, null, 0)));
        String[] keys = enumSubKeys0(root, path, 0);
        for (String key : keys == null ? new String[0] : keys) {
            out.append(" {").append(tree(root, path + "\\" + key)).append('}');
        }
        return out.toString();
    }
}
