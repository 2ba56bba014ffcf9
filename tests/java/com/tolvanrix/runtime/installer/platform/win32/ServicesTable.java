package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32Services.*;

/**
 * Installs, starts, stops, configures and removes real services through the natives. args: the test service
 * program, a name prefix unique to the run. Service NAME-main goes through a whole life and is left configured
 * for the test to inspect; NAME-stuck hangs in "stop pending"; NAME-gone is installed and removed again.
 */
public final class ServicesTable {
    private static final int RUNNING = -4;

    public static void fill(Scenario table, String[] args) throws Exception {
        String binary = "\"" + args[0] + "\"";
        String main = args[1] + "-main";
        String missing = args[1] + "-missing";
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
        String lower = args[1] + "-lower";
        table.row("lower", "0 0", () -> all(installService0(lower, null, binary), changeServiceConfig0(lower, null,
                null, 0x10, 3, null, "nt authority\\system", null, null)));
        // Hung in "stop pending" without progress: given up once its wait hint passed.
        String stuck = args[1] + "-stuck";
        table.row("stuck", "0 0 true 5001 0", () -> all(installService0(stuck, null, binary + " stuck"),
                startService0(stuck), running(stuck), stopService0(stuck), uninstallService0(stuck)));
        String gone = args[1] + "-gone";
        table.row("gone", "0 0 1060", () -> all(installService0(gone, null, binary), uninstallService0(gone),
                queryStatus0(gone)));
    }

    /** The dependencies as the service manager stored them in the service's key (it reads none back). */
    private static Object stored(String service) {
        return Registry.getValue0(RegistryTable.HKLM, "System\\CurrentControlSet\\Services\\" + service, "DependOnService", 0);
    }

    private static boolean running(String service) throws Exception {
        return within(60000, () -> queryStatus0(service) == RUNNING);
    }
}
