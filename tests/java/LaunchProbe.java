import java.lang.management.ManagementFactory;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.List;

/**
 * Main class of the launch tests: prints what the JVM and the runtime received as "probe." lines, then
 * acts on its program arguments: "exit=N" ends the process with System.exit(N), "throw" throws,
 * "hold=PATH" waits until PATH exists (two minutes at most), "stderr=TEXT" prints
 * TEXT on standard error, "setprop=NAME=VALUE" sets a system property, "write=NAME" saves a file
 * under that name, relative names in the working directory, as an application would.
 */
public class LaunchProbe {
    private static final String[] PROPERTIES = {
        "kavro.semaphoreName", "kavro.manualJre", "kavro.isTolvanrix", "kavro.moduleName", "sun.java.command",
        "kavro.tempDir", "kavro.unextractedPosition", "java.library.path", "kavro.consoleCodepage",
        "java.class.path", "user.language", "user.country", "user.dir",
    };

    public static void main(String[] args) throws Exception {
        for (int i = 0; i < args.length; i++) {
            System.out.println("probe.arg[" + i + "]=" + args[i]);
        }
        System.out.println("probe.argc=" + args.length);
        for (String name : PROPERTIES) {
            String value = System.getProperty(name);
            System.out.println("probe.prop." + name + (value == null ? " unset" : "=" + value));
        }
        for (String name : System.getProperties().stringPropertyNames()) {
            if (name.startsWith("tlxtest.")) {
                System.out.println("probe.prop." + name + "=" + System.getProperty(name));
            }
        }
        List<String> vmOptions = ManagementFactory.getRuntimeMXBean().getInputArguments();
        for (int i = 0; i < vmOptions.size(); i++) {
            System.out.println("probe.vmoption[" + i + "]=" + vmOptions.get(i));
        }
        System.out.println("probe.maxMemory=" + Runtime.getRuntime().maxMemory());
        System.out.println("probe.pid=" + ManagementFactory.getRuntimeMXBean().getName().split("@")[0]);
        reportRuntime();
        for (String arg : args) {
            act(arg);
        }
        System.out.println("probe.done");
    }

    private static void reportRuntime() throws Exception {
        Object launcher = call("com.tolvanrix.runtime.launcher.LauncherArguments", "current");
        if (launcher != null) {
            String[] all = (String[]) launcher.getClass().getMethod("all").invoke(launcher);
            for (int i = 0; i < all.length; i++) {
                System.out.println("probe.launcher[" + i + "]=" + all[i]);
            }
        }
        System.out.println("probe.windel=" + Class.forName("com.kavro.runtime.util.WinDel").getField("externalExecutable")
                .get(null));
        if (Boolean.getBoolean("tlxtest.reportNatives")) {
            System.out.println("probe.natives=" + call(
                    "com.tolvanrix.runtime.installer.platform.win32.Common", "nativesFromLauncher"));
        }
        if (Boolean.getBoolean("tlxtest.reportSplash")) {
            Object splash = call("com.kavro.runtime.SplashText", "current");
            if (splash == null) {
                System.out.println("probe.splash=none");
            } else {
                for (String part : new String[] {"fromLauncher", "option", "first", "second"}) {
                    System.out.println("probe.splash." + part + "=" + splash.getClass().getMethod(part).invoke(splash));
                }
            }
        }
    }

    private static Object call(String className, String method) throws Exception {
        return Class.forName(className).getMethod(method).invoke(null);
    }

    private static void act(String arg) throws Exception {
        if (arg.startsWith("exit=")) {
            System.out.println("probe.exiting");
            System.exit(Integer.parseInt(arg.substring(5)));
        } else if (arg.equals("throw")) {
            throw new IllegalStateException("probe failure requested: St\u00f6rung");
        } else if (arg.startsWith("hold=")) {
            for (int i = 0; i < 1200 && !Files.exists(Paths.get(arg.substring(5))); i++) {
                Thread.sleep(100);
            }
        } else if (arg.startsWith("setprop=")) {
            String[] property = arg.substring(8).split("=", 2);
            System.setProperty(property[0], property[1]);
        } else if (arg.startsWith("stderr=")) {
            System.err.println(arg.substring(7));
        } else if (arg.startsWith("write=")) {
            Files.write(Paths.get(arg.substring(6)), "saved".getBytes("UTF-8"));
        }
    }
}
