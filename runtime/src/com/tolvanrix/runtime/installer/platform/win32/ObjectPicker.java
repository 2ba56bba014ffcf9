package com.tolvanrix.runtime.installer.platform.win32;

/** The system's user and group picker; implemented by the launcher executable. */
public final class ObjectPicker {
    private ObjectPicker() {
    }

    public static native Result[] show0(boolean multiSelect, boolean groups, boolean users,
            boolean wellKnownAccounts, boolean targetComputerOnly);

    /** One chosen account; the native fills every field, each of which may be null. */
    public static final class Result {
        private final String name;
        private final String adsPath;
        private final String objectClass;
        private final String userPrincipalName;
        private final String sid;

        public Result(String name, String adsPath, String objectClass, String userPrincipalName, String sid) {
            this.name = name;
            this.adsPath = adsPath;
            this.objectClass = objectClass;
            this.userPrincipalName = userPrincipalName;
            this.sid = sid;
        }

        public String getName() {
            return name;
        }

        public String getAdsPath() {
            return adsPath;
        }

        public String getObjectClass() {
            return objectClass;
        }

        public String getUserPrincipalName() {
            return userPrincipalName;
        }

        public String getSid() {
            return sid;
        }
    }
}
