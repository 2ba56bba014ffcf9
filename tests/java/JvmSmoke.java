// Loaded by the JVM smoke test program: main calls a native that the test
// program registers, and prints what it returns.
public class JvmSmoke {
    static native int add(int a, int b);

    public static void main(String[] args) {
        System.out.println("native add says " + add(40, 2) + " args=" + args.length);
    }
}
