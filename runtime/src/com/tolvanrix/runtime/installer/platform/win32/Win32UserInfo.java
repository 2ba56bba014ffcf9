package com.tolvanrix.runtime.installer.platform.win32;

/** User accounts, groups, elevation and account rights; implemented by the launcher executable. */
public final class Win32UserInfo {
    private Win32UserInfo() {
    }

    public static native boolean isMemberOfGroup0(int rid);

    public static native boolean executeElevated0(String file, String parameters, String directory,
            int showCommand);

    public static native int getElevationType0();

    public static native String addUser0(String user, String password, String comment, String group,
            String groupComment, boolean createGroup, boolean failIfGroupExists);

    public static native int deleteUser0(String server, String user);

    public static native int deleteLocalGroup0(String server, String group);

    public static native String getAccountName0(String sid, boolean nameOnly);

    public static native String getUserProfileDirectory0(String sid, String password);

    public static native String getUserSid0();

    public static native boolean setLsaAccountRight0(String account, String right, boolean add);
}
