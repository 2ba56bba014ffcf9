package com.tolvanrix.api.windows;

/** Registry value types that have no plain Java counterpart. */
public final class WinRegistry {
    private WinRegistry() {
    }

    /** A REG_EXPAND_SZ value: the text as stored, its environment references not expanded. */
    public static final class ExpandString {
        private final String value;

        public ExpandString(String value) {
            this.value = value;
        }

        public String getValue() {
            return value;
        }

        @Override
        public String toString() {
            return value;
        }
    }
}
