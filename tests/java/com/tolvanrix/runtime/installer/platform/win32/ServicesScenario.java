package com.tolvanrix.runtime.installer.platform.win32;

/**
 * Installs, starts, stops, configures and removes real services through the natives. args: the test service
 * program, a name prefix unique to the run. Service NAME-main goes through a whole life and is left configured
 * for the test to inspect; NAME-stuck hangs in "stop pending"; NAME-gone is installed and removed again.
 */
public final class ServicesScenario {
    private ServicesScenario() {
    }

    public static void main(String[] args) throws Exception {
        Report.binding();
        String program = args[0];
        String main = args[1] + "-main";
        String missing = args[1] + "-missing";

        Report.line("missing", Win32Services.queryStatus0(missing) + " " + Win32Services.getStartType0(missing) + " "
                + Win32Services.stopService0(missing) + " " + Win32Services.startService0(missing) + " "
                + Win32Services.uninstallService0(missing) + " " + Win32Services.setRestartServiceConfig0(missing, true, 1)
                + " [" + Win32Services.getServiceBinary0(missing) + "]");

        Report.line("install", Win32Services.installService0(main, "Tlx Test Service", "\"" + program + "\""));
        Report.line("install.again", Win32Services.installService0(main, "Tlx Test Service", "\"" + program + "\""));
        Report.line("binary", Win32Services.getServiceBinary0(main));
        Report.line("installed", Win32Services.getStartType0(main) + " " + Win32Services.queryStatus0(main));
        Report.line("start", Win32Services.startService0(main));
        Report.line("running", waitForState(main, -4));
        Report.line("stop", Win32Services.stopService0(main) + " " + Win32Services.queryStatus0(main));
        Report.line("stop.again", Win32Services.stopService0(main));

        Report.line("change", Win32Services.changeServiceConfig0(main, "Tlx Renamed", null, 0x10, 2,
                "tlxdepA,,tlxdepB", "NT AUTHORITY\\System", null, "described by the test"));
        Report.line("startType", Win32Services.getStartType0(main));
        Report.line("depends", stored(main, "DependOnService"));
        // Empty names take no room: the list is just the one name.
        Report.line("change.commas", Win32Services.changeServiceConfig0(main, null, null, 0x10, 3,
                Scenario.repeat(',', 20000) + "tlxdepC", null, null, null));
        Report.line("depends.commas", stored(main, "DependOnService"));
        Report.line("restart", Win32Services.setRestartServiceConfig0(main, true, 5000) + " "
                + Win32Services.setRestartServiceConfig0(main, false, 0));

        // Only the exact spellings mean the local system account; others go to the system as they are.
        String lower = args[1] + "-lower";
        Report.line("lower", Win32Services.installService0(lower, null, "\"" + program + "\"") + " "
                + Win32Services.changeServiceConfig0(lower, null, null, 0x10, 3, null, "nt authority\\system", null,
                        null));

        String stuck = args[1] + "-stuck";
        Report.line("stuck.install", Win32Services.installService0(stuck, null, "\"" + program + "\" stuck"));
        Report.line("stuck.start", Win32Services.startService0(stuck) + " " + waitForState(stuck, -4));
        Report.line("stuck.stop", Win32Services.stopService0(stuck));
        Report.line("stuck.uninstall", Win32Services.uninstallService0(stuck));

        String gone = args[1] + "-gone";
        Report.line("gone", Win32Services.installService0(gone, null, "\"" + program + "\"") + " "
                + Win32Services.uninstallService0(gone) + " " + Win32Services.queryStatus0(gone));
        Report.done();
    }

    /** A value of the service's registry key, as the service manager stored it (the manager reads none back). */
    private static String stored(String service, String value) {
        return Report.text(Registry.getValue0(3, "System\\CurrentControlSet\\Services\\" + service, value, 0));
    }

    private static boolean waitForState(String name, int state) throws InterruptedException {
        long end = System.currentTimeMillis() + 60000;
        while (Win32Services.queryStatus0(name) != state) {
            if (System.currentTimeMillis() > end) {
                return false;
            }
            Thread.sleep(100);
        }
        return true;
    }
}
