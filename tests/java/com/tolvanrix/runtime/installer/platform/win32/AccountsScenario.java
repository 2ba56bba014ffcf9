package com.tolvanrix.runtime.installer.platform.win32;

import java.io.File;

/**
 * Who the runtime runs as, account names, elevation, and access-control entries, through the natives as the
 * system here really answers. args: a directory for the elevated program's output, a registry key below
 * HKEY_CURRENT_USER of this run, a file, a file holding the password that the test looks for in every output.
 */
public final class AccountsScenario {
    private AccountsScenario() {
    }

    public static void main(String[] args) throws Exception {
        Report.binding();
        String dir = args[0];
        String key = args[1];
        String password = new String(java.nio.file.Files.readAllBytes(new File(args[3]).toPath()), "UTF-8");

        String sid = Win32UserInfo.getUserSid0();
        Report.line("sid", sid);
        Report.line("elevation", Win32UserInfo.getElevationType0());
        Report.line("member", Win32UserInfo.isMemberOfGroup0(544) + " " + Win32UserInfo.isMemberOfGroup0(545) + " "
                + Win32UserInfo.isMemberOfGroup0(551));

        Report.line("name.self", Win32UserInfo.getAccountName0(sid, false));
        Report.line("name.self.only", Win32UserInfo.getAccountName0(sid, true));
        Report.line("name.fixed", Win32UserInfo.getAccountName0("S-1-5-18", false) + "|"
                + Win32UserInfo.getAccountName0("S-1-5-19", true) + "|" + Win32UserInfo.getAccountName0("S-1-5-20", false));
        Report.line("name.admins", Win32UserInfo.getAccountName0("S-1-5-32-544", false) + "|"
                + Win32UserInfo.getAccountName0("S-1-5-32-544", true));
        Report.line("name.bad", "[" + Win32UserInfo.getAccountName0("S-1-5-x", false) + "]");

        Report.line("profile.system", "[" + Win32UserInfo.getUserProfileDirectory0("S-1-5-18", password) + "]");
        Report.line("profile.bad", "[" + Win32UserInfo.getUserProfileDirectory0("S-1-5-x", password) + "]");
        Report.line("profile.self", "[" + Win32UserInfo.getUserProfileDirectory0(sid, password) + "]");
        // What this system's account functions answer; the test compares with what they are known to do here.
        Report.line("addUser", Win32UserInfo.addUser0("tlxuser", password, "made by a test", "tlxgroup", "a group",
                true, false));
        Report.line("delete", Win32UserInfo.deleteUser0(null, "tlxuser") + " " + Win32UserInfo.deleteLocalGroup0(null,
                "tlxgroup"));
        Report.line("lsa", Win32UserInfo.setLsaAccountRight0("Administrators", "SeServiceLogonRight", true) + " "
                + Win32UserInfo.setLsaAccountRight0("tlx no such account", "SeServiceLogonRight", true));

        File out = new File(dir, "elevated.txt");
        Report.line("elevated", Win32UserInfo.executeElevated0("cmd.exe", "/c cd > elevated.txt", dir, 0));
        long end = System.currentTimeMillis() + 60000;
        while (out.length() == 0 && System.currentTimeMillis() < end) {
            Thread.sleep(100);
        }
        Thread.sleep(200);
        Report.line("elevated.missing", Win32UserInfo.executeElevated0(dir + "\\no such program.exe", null, null, 0));

        String object = "CURRENT_USER\\" + key;
        Report.line("ace.key", ACLHandling.addACE(object, true, true, true, false, false, 5, null) + " "
                + ACLHandling.addACE(object, true, true, false, false, false, 3, "S-1-5-32-545") + " "
                + ACLHandling.addACE(object, true, false, false, false, true, 3, "Administrators") + " "
                + ACLHandling.addACE(object, true, true, false, true, false, 1, null));
        Report.line("ace.account", ACLHandling.addACE(object, true, true, false, false, false, 3, "tlx no such account"));
        Report.line("ace.missingKey", ACLHandling.addACE(object + "\\missing", true, true, false, false, false, 0, null));
        Report.line("ace.file", ACLHandling.addACE(args[2], false, true, false, false, false, 0, null));
        Report.done();
    }
}
