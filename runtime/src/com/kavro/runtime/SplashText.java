package com.kavro.runtime;

/**
 * The two text lines of the splash screen as the launcher configured them, kept for whoever draws the
 * splash on the Java side. Colours are "red,green,blue".
 */
public final class SplashText {
    private static volatile SplashText current;

    private final boolean fromLauncher;
    private final boolean option;
    private final Line first;
    private final Line second;

    private SplashText(boolean fromLauncher, boolean option, Line first, Line second) {
        this.fromLauncher = fromLauncher;
        this.option = option;
        this.first = first;
        this.second = second;
    }

    static void configure(boolean fromLauncher, boolean option, Line first, Line second) {
        current = new SplashText(fromLauncher, option, first, second);
    }

    /** The configuration, or null when the launcher passed none. */
    public static SplashText current() {
        return current;
    }

    public boolean fromLauncher() {
        return fromLauncher;
    }

    /** The launcher's second flag, whose meaning the splash painter decides. */
    public boolean option() {
        return option;
    }

    public Line first() {
        return first;
    }

    public Line second() {
        return second;
    }

    /** One text line: where, in which colour, size and weight. */
    public static final class Line {
        private final String text;
        private final int x;
        private final int y;
        private final String colour;
        private final int fontSize;
        private final int fontWeight;

        Line(String text, int x, int y, String colour, int fontSize, int fontWeight) {
            this.text = text;
            this.x = x;
            this.y = y;
            this.colour = colour;
            this.fontSize = fontSize;
            this.fontWeight = fontWeight;
        }

        public String text() {
            return text;
        }

        public int x() {
            return x;
        }

        public int y() {
            return y;
        }

        public String colour() {
            return colour;
        }

        public int fontSize() {
            return fontSize;
        }

        public int fontWeight() {
            return fontWeight;
        }

        @Override
        public String toString() {
            return text + "@" + x + "," + y + " colour " + colour + " size " + fontSize + " weight " + fontWeight;
        }
    }
}
