package com.kavro.runtime;

import com.tolvanrix.runtime.launcher.LaunchSequence;

/**
 * Entry class of the application flavour: the launcher calls main with the launcher arguments, and
 * before that, when the splash is drawn on the Java side, {@link #initAwtSplashConfig} with the text
 * lines of the splash.
 */
public final class WinLauncher {
    private WinLauncher() {
    }

    public static void main(String[] args) throws Throwable {
        LaunchSequence.run(args);
    }

    static void initAwtSplashConfig(boolean fromLauncher, boolean option, String text1, int x1, int y1,
            String colour1, int fontSize1, int fontWeight1, String text2, int x2, int y2, String colour2,
            int fontSize2, int fontWeight2) {
        SplashText.configure(fromLauncher, option,
                new SplashText.Line(text1, x1, y1, colour1, fontSize1, fontWeight1),
                new SplashText.Line(text2, x2, y2, colour2, fontSize2, fontWeight2));
    }
}
