package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.ACLHandling.addACE;
import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32Services.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32UserInfo.*;

import java.io.File;
import java.nio.file.Files;
import java.util.regex.Pattern;

/**
 * Who the runtime runs as, account names, elevation, access-control entries and services, through the natives as
 * the system here really answers. args: a directory for the elevated program's output, a registry key below
 * HKEY_CURRENT_USER of this run, a file, a file holding the password that the test looks for in every output,
 * the name of the user the runtime runs as, the test service program, a name prefix unique to the run. Service
 * NAME-main goes through a whole life and is left configured for the test to inspect; NAME-stuck hangs in "stop
 * pending"; NAME-gone is installed and removed again.
 */
public final class AccountsTable {
    private static final int RUNNING = -4;

    public static void fill(Scenario table, String[] args) throws Exception {
        String dir = args[0];
        String password = new String(Files.readAllBytes(new File(args[3]).toPath()), "UTF-8");
        String user = args[4];
        String sid = getUserSid0();
        table.row("sid", like("S-1-5-21(-\\d+)+"), () -> sid);
        // Wine runs everything elevated: a full token, administrators enabled.
        table.row("elevation", 2, () -> getElevationType0());
        // administrators, users, not backup operators
        table.row("member", "true true false", () -> all(isMemberOfGroup0(544), isMemberOfGroup0(545),
                isMemberOfGroup0(551)));
        table.row("name.self", like("[^.].*\\\\" + Pattern.quote(user) + " " + Pattern.quote(user)), () -> all(
                getAccountName0(sid, false), getAccountName0(sid, true)));
        table.row("name.fixed", "NT AUTHORITY\\System NT AUTHORITY\\LocalService NT AUTHORITY\\NetworkService", () ->
                all(getAccountName0("S-1-5-18", false), getAccountName0("S-1-5-19", true),
                getAccountName0("S-1-5-20", false)));
        table.row("name.admins", ".\\Administrators Administrators", () -> all(getAccountName0("S-1-5-32-544", false),
                getAccountName0("S-1-5-32-544", true)));
        table.row("name.bad", " 1337", () -> getAccountName0("S-1-5-x", false));
        // Wine's LogonUser is a stub whose token the profile function refuses (invalid handle).
        table.row("profile", "[ no user account] [ could not convert sid 1337] [ could not get user profile dir 6]",
                () -> "[" + getUserProfileDirectory0("S-1-5-18", password) + "] [" + getUserProfileDirectory0(
                "S-1-5-x", password) + "] [" + getUserProfileDirectory0(sid, password) + "]");
        // Wine's account functions: the group and the user are "made", the user's SID cannot be read back.
        table.row("addUser", like("3 [1-9]\\d*"), () -> addUser0("tlxuser", password, "made by a test", "tlxgroup",
                "a group", true, false));
        table.row("delete", "0 0", () -> all(deleteUser0(null, "tlxuser"), deleteLocalGroup0(null, "tlxgroup")));
        // An account nobody has is refused before the (stubbed) call.
        table.row("lsa", "true false", () -> all(setLsaAccountRight0("Administrators", "SeServiceLogonRight", true),
                setLsaAccountRight0("tlx no such account", "SeServiceLogonRight", true)));
        table.row("elevated", "true true false", () -> {
            boolean started = executeElevated0("cmd.exe", "/c cd > elevated.txt", dir, 0);
            boolean written = within(60000, () -> new File(dir, "elevated.txt").length() > 0);
            Thread.sleep(200);
            return all(started, written, executeElevated0(dir + "\\no such program.exe", null, null, 0));
        });
        // Registry key ACLs are real here; file DACLs are a stub that reports success.
        String key = "CURRENT_USER\\" + args[1];
        table.row("ace.key", "true true true true", () -> all(addACE(key, true, true, true, false, false, 5, null),
                addACE(key, true, true, false, false, false, 3, "S-1-5-32-545"),
                addACE(key, true, false, false, false, true, 3, "Administrators"),
                addACE(key, true, true, false, true, false, 1, null)));
        table.row("ace.others", "false false true", () -> all(addACE(key, true, true, false, false, false, 3,
                "tlx no such account"), addACE(key + "\\missing", true, true, false, false, false, 0, null),
                addACE(args[2], false, true, false, false, false, 0, null)));
        services(table, args[5], args[6]);
    }

    private static void services(Scenario table, String program, String prefix) {
        String binary = "\"" + program + "\"";
        String main = prefix + "-main";
        String missing = prefix + "-missing";
        // query, start type, stop, start, delete, restart settings, binary of a service nobody installed
        table.row("missing", "1060 1060 1060 1060 1060 1060 [ 1060]", () -> all(queryStatus0(missing),
                getStartType0(missing), stopService0(missing), startService0(missing), uninstallService0(missing),
                setRestartServiceConfig0(missing, true, 1), "[" + getServiceBinary0(missing) + "]"));
        table.row("install", "0 1073", () -> all(installService0(main, "Tlx Test Service", binary),
                installService0(main, "Tlx Test Service", binary)));
        table.row("binary", binary, () -> getServiceBinary0(main));
        table.row("installed", "-3 -1", () -> all(getStartType0(main), queryStatus0(main)));
        table.row("start", "0 true", () -> all(startService0(main), running(main)));
        table.row("stop", "0 -1 1062", () -> all(stopService0(main), queryStatus0(main), stopService0(main)));
        table.row("change", "0 -2 [tlxdepA, tlxdepB]", () -> all(changeServiceConfig0(main, "Tlx Renamed", null,
                0x10, 2, "tlxdepA,,tlxdepB", "NT AUTHORITY\\System", null, "described by the test"),
                getStartType0(main), stored(main)));
        // Empty names take no room: the list is just the one name.
        table.row("change.commas", "0 [tlxdepC]", () -> all(changeServiceConfig0(main, null, null, 0x10, 3,
                repeat(',', 20000) + "tlxdepC", null, null, null), stored(main)));
        table.row("restart", "0 0", () -> all(setRestartServiceConfig0(main, true, 5000),
                setRestartServiceConfig0(main, false, 0)));
        // Only the exact spellings mean the local system account; others go to the system as they are.
        String lower = prefix + "-lower";
        table.row("lower", "0 0", () -> all(installService0(lower, null, binary), changeServiceConfig0(lower, null,
                null, 0x10, 3, null, "nt authority\\system", null, null)));
        // Hung in "stop pending" without progress: given up once its wait hint passed.
        String stuck = prefix + "-stuck";
        table.row("stuck", "0 0 true 5001 0", () -> all(installService0(stuck, null, binary + " stuck"),
                startService0(stuck), running(stuck), stopService0(stuck), uninstallService0(stuck)));
        String gone = prefix + "-gone";
        table.row("gone", "0 0 1060", () -> all(installService0(gone, null, binary), uninstallService0(gone),
                queryStatus0(gone)));
    }

    /** The dependencies as the service manager stored them in the service's key (it reads none back). */
    private static Object stored(String service) {
        String key = "System\\CurrentControlSet\\Services\\" + service;
        return Registry.getValue0(RegistryTable.HKLM, key, "DependOnService", 0);
    }

    private static boolean running(String service) throws Exception {
        return within(60000, () -> queryStatus0(service) == RUNNING);
    }
}
