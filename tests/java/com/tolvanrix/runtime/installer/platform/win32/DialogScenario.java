package com.tolvanrix.runtime.installer.platform.win32;

import java.util.Arrays;

/**
 * Shows the file and task dialogs one after the other, each under a caption of its own, for the test to
 * answer from outside. args: a directory to start the file dialogs in; the handle of another program's window
 * to own the last task dialog.
 */
public final class DialogScenario {
    private static final int ALLOW_CANCELLATION = 0x8;
    private static final int INFORMATION_ICON = 32516;
    private static final long STALE_WINDOW = 0x0BADF00DL;

    private DialogScenario() {
    }

    public static void main(String[] args) {
        Report.binding();
        String dir = args[0];
        VistaFileChooser.initialize0();
        // A window that is gone: no dialog can be shown, and none hangs.
        Report.line("stale.file", VistaFileChooser.displayDialog0(STALE_WINDOW, "tlx stale", null, dir, null, 0, 0,
                false, null, null, null, 0, null, null));
        Report.line("stale.task", VistaTaskDialog.show0(STALE_WINDOW, "tlx stale", "Never shown", null, 0, 0, 0, null,
                new String[] {"Nobody"}, 0));

        // The third name has no pattern: only two types appear.
        boolean[] one = {false};
        Report.line("open", VistaFileChooser.displayDialog0(0, "tlx open", "Take", dir, null, 0, 0,
                false, null, new String[] {"Text files", "All files", "Orphan"}, new String[] {"*.txt", "*.*"}, -1,
                new String[] {"Read only"}, one));
        Report.line("open.states", Arrays.toString(one));

        boolean[] two = {true, false};
        Report.line("save", VistaFileChooser.displayDialog0(0, "tlx save", null, dir, "draft", 0, 0, true, "txt",
                new String[] {"Text files", "Data files"}, new String[] {"*.txt", "*.dat"}, 1,
                new String[] {"Overwrite", "Keep copy"}, two));
        Report.line("save.states", Arrays.toString(two));

        // More labels than states, one of them null: the extra box starts cleared and writes nowhere.
        boolean[] kept = {true};
        Report.line("cancel", VistaFileChooser.displayDialog0(0, "tlx cancel", null, dir, null, 0, 0, false, null,
                null, null, 0, new String[] {"Keep", null}, kept));
        Report.line("cancel.states", Arrays.toString(kept));

        String[] buttons = {"First", "Second", "Third"};
        Report.line("task.second", VistaTaskDialog.show0(0, "tlx task", "Choose", "Which one?", 0,
                INFORMATION_ICON, 0, "Do not ask again", buttons, 2));
        Report.line("task.closed", VistaTaskDialog.show0(0, "tlx task closed", "Close me", null,
                ALLOW_CANCELLATION, 0, 0, "Do not ask again", buttons, 0));
        Report.line("task.owned", VistaTaskDialog.show0(Long.parseLong(args[1]), "tlx task owned", "Owned", null, 0,
                0, 0, null, new String[] {"Fine"}, 0));
        Report.done();
    }
}
