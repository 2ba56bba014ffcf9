package com.tolvanrix.runtime.launcher;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * What both entry classes do with the launcher arguments: redirect the standard streams and run the
 * application's main class with the program arguments. An exception of the application's main reaches the
 * launcher unwrapped, so that its log names the application's own failure. (The extraction directory is
 * the launcher's to remove, once the process has ended.)
 */
public final class LaunchSequence {
    private LaunchSequence() {
    }

    public static void run(String[] args) throws Throwable {
        LauncherArguments arguments = LauncherArguments.parse(args);
        OutputRedirect.apply(arguments);
        Method main = findMain(arguments.mainClass());
        try {
            main.invoke(null, (Object) arguments.programArguments());
        } catch (InvocationTargetException e) {
            throw e.getCause();
        }
    }

    private static Method findMain(String className) throws ClassNotFoundException, NoSuchMethodException {
        Class<?> type = Class.forName(className, false, ClassLoader.getSystemClassLoader());
        Method main = type.getMethod("main", String[].class);
        if (!Modifier.isStatic(main.getModifiers())) {
            throw new NoSuchMethodException(className + ".main(String[]) is not static");
        }
        return main;
    }
}
