package com.tolvanrix.runtime.installer.platform.win32;

import static com.tolvanrix.runtime.installer.platform.win32.Scenario.*;
import static com.tolvanrix.runtime.installer.platform.win32.Win32CommunicationBackend.*;

import java.lang.management.ManagementFactory;
import java.util.Arrays;

/**
 * Two runtime processes talking over a named pipe through the natives. args: "listen" or "client", the pipe
 * name. The client sends its process id, an empty block and a 100,000-byte block; the listener answers with
 * the big block transformed and an empty block. The listener finally waits for the client process to be gone.
 * (What a broken partner sends is in HostileTable.)
 */
public final class PipeTable {
    private static final int BIG = 100000;

    public static void fill(Scenario table, String[] args) throws Exception {
        String name = args[1];
        int pid = Integer.parseInt(ManagementFactory.getRuntimeMXBean().getName().split("@")[0]);
        table.row("pid.same", pid, () -> getCurrentProcessId0());
        long[] pipe = {0};
        if (args[0].equals("listen")) {
            int[] partner = {0};
            // Nobody else gets the name while we hold it.
            table.row("created", "true -1 true", () -> {
                pipe[0] = createListener0(name);
                return all(pipe[0] != getInvalidHandle0(), createListener0(name), connectNamedPipe0(pipe[0]));
            });
            table.row("partner.alive", true, () -> {
                partner[0] = Integer.parseInt(new String(readDataBlock0(pipe[0]), "UTF-8"));
                return isProcessAlive0(partner[0]);
            });
            table.row("received", "byte[0] true", () -> all(readDataBlock0(pipe[0]),
                    Arrays.equals(readDataBlock0(pipe[0]), pattern(0))));
            // Too long for any reader: refused before a byte goes out, so the next block is still in step.
            table.row("answered", "false true true", () -> all(writeDataBlock0(pipe[0], new byte[64 * 1024 * 1024 + 1]),
                    writeDataBlock0(pipe[0], pattern(1)), writeDataBlock0(pipe[0], new byte[0])));
            // A disconnect drops what the partner has not read yet: wait for its last word.
            table.row("bye", "byte[3]", () -> readDataBlock0(pipe[0]));
            // The client ends once its give-up on a name nobody creates is through (about 100 s).
            table.row("partner.gone", "true true", () -> {
                disconnectNamedPipe0(pipe[0]);
                closeHandle0(pipe[0]);
                return all(within(300000, () -> !isProcessAlive0(partner[0])),
                        isProcessAlive0(getCurrentProcessId0()));
            });
            return;
        }
        long[] nobody = {-2};
        Thread lonely = new Thread(() -> nobody[0] = connectClient0(name + "-nobody"));
        lonely.start();
        table.row("client.connected", true, () -> {
            pipe[0] = connectClient0(name);
            return pipe[0] != 0 && pipe[0] != getInvalidHandle0();
        });
        table.row("sent", "true true true", () -> all(writeDataBlock0(pipe[0], String.valueOf(pid).getBytes("UTF-8")),
                writeDataBlock0(pipe[0], new byte[0]), writeDataBlock0(pipe[0], pattern(0))));
        table.row("answer", "true byte[0]", () -> all(Arrays.equals(readDataBlock0(pipe[0]), pattern(1)),
                readDataBlock0(pipe[0])));
        // Nobody ever creates this name: the client gives up after its retries.
        table.row("nobody", 0, () -> {
            writeDataBlock0(pipe[0], new byte[3]);
            closeHandle0(pipe[0]);
            lonely.join();
            return nobody[0];
        });
    }

    private static byte[] pattern(int shift) {
        byte[] bytes = new byte[BIG];
        for (int i = 0; i < BIG; i++) {
            bytes[i] = (byte) (i * 7 + shift);
        }
        return bytes;
    }
}
