import java.util.concurrent.Callable;

/** First-run handler of the launch tests: says that it was asked and answers tlxtest.firstRunAnswer. */
public class FirstRunProbe implements Callable<Boolean> {
    @Override
    public Boolean call() {
        boolean answer = Boolean.getBoolean("tlxtest.firstRunAnswer");
        System.out.println("probe.firstRun asked, answering " + answer);
        return answer;
    }
}
