package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;
import static com.tolvanrix.runtime.installer.platform.win32.VistaFileChooser.displayDialog0;
import static com.tolvanrix.runtime.installer.platform.win32.VistaTaskDialog.show0;

import java.util.Arrays;
import java.util.regex.Pattern;

/**
 * The file and task dialogs one after the other, each under a caption of its own, answered by the test from
 * outside: in "tlx open" it ticks the box and takes notes.txt, in "tlx save" it swaps the two boxes, in
 * "tlx cancel" it clears the box and cancels, in "tlx task" it ticks the box and presses Second, "tlx task
 * closed" it closes. args: the directory the file dialogs start in (holding notes.txt); the handle of another
 * program's window to own the last task dialog.
 */
public final class DialogTable {
    private static final int ALLOW_CANCELLATION = 0x8;
    private static final int INFORMATION_ICON = 32516;
    static final long STALE_WINDOW = 0x0BADF00DL;

    public static void fill(Scenario table, String[] args) {
        String dir = args[0];
        VistaFileChooser.initialize0();
        // A window that is gone: no dialog can be shown, the failure told as such, and none hangs.
        table.row("stale", "null 0", () -> all(displayDialog0(STALE_WINDOW, "tlx stale", null, dir, null, 0, 0, false,
                null, null, null, 0, null, null), show0(STALE_WINDOW, "tlx stale", "Never shown", null, 0, 0, 0, null,
                new String[] {"Nobody"}, 0)));

        // The third name has no pattern: only two types appear.
        boolean[] one = {false};
        table.row("open", "[" + dir + "\\notes.txt] [true]", () -> all(displayDialog0(0, "tlx open", "Take", dir,
                null, 0, 0, false, null, new String[] {"Text files", "All files", "Orphan"},
                new String[] {"*.txt", "*.*"}, -1, new String[] {"Read only"}, one), Arrays.toString(one)));
        // Exactly one path; Wine gives it the extension of the chosen type.
        boolean[] two = {true, false};
        table.row("save", like("\\[" + Pattern.quote(dir + "\\draft.") + "(dat|txt)\\] \\[false, true\\]"), () -> all(
                displayDialog0(0, "tlx save", null, dir, "draft", 0, 0, true, "txt",
                new String[] {"Text files", "Data files"}, new String[] {"*.txt", "*.dat"}, 1,
                new String[] {"Overwrite", "Keep copy"}, two), Arrays.toString(two)));
        // More labels than states, one of them null: the extra box starts cleared and writes nowhere.
        boolean[] kept = {true};
        table.row("cancel", "null [true]", () -> all(displayDialog0(0, "tlx cancel", null, dir, null, 0, 0, false,
                null, null, null, 0, new String[] {"Keep", null}, kept), Arrays.toString(kept)));

        String[] buttons = {"First", "Second", "Third"};
        table.row("task", "-2 1000 1", () -> all(show0(0, "tlx task", "Choose", "Which one?", 0, INFORMATION_ICON, 0,
                "Do not ask again", buttons, 2), show0(0, "tlx task closed", "Close me", null, ALLOW_CANCELLATION, 0,
                0, "Do not ask again", buttons, 0), show0(Long.parseLong(args[1]), "tlx task owned", "Owned", null, 0,
                0, 0, null, new String[] {"Fine"}, 0)));
    }
}
