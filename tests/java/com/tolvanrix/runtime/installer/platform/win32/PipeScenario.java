package com.tolvanrix.runtime.installer.platform.win32;

import java.lang.management.ManagementFactory;
import java.util.Arrays;

/**
 * Two runtime processes talking over a named pipe through the natives. args: "listen" or "client", the pipe
 * name. The client sends its process id, an empty block and a 100,000-byte block; the listener answers with
 * the big block transformed and an empty block. The listener finally waits for the client process to be gone.
 * (What a broken partner sends is in HostileTable.)
 */
public final class PipeScenario {
    private static final int BIG = 100000;

    private PipeScenario() {
    }

    public static void main(String[] args) throws Exception {
        Report.binding();
        int pid = Integer.parseInt(ManagementFactory.getRuntimeMXBean().getName().split("@")[0]);
        Report.line("pid.same", Win32CommunicationBackend.getCurrentProcessId0() == pid);
        if (args[0].equals("listen")) {
            listen(args[1]);
        } else {
            client(args[1]);
        }
        Report.done();
    }

    private static void listen(String name) throws Exception {
        long pipe = Win32CommunicationBackend.createListener0(name);
        Report.line("created", pipe != Win32CommunicationBackend.getInvalidHandle0());
        // Nobody else gets the name while we hold it.
        Report.line("second", Win32CommunicationBackend.createListener0(name));
        Report.line("connected", Win32CommunicationBackend.connectNamedPipe0(pipe));
        int partner = Integer.parseInt(new String(Win32CommunicationBackend.readDataBlock0(pipe), "UTF-8"));
        Report.line("partner.alive", Win32CommunicationBackend.isProcessAlive0(partner));
        Report.line("empty", Win32CommunicationBackend.readDataBlock0(pipe));
        byte[] big = Win32CommunicationBackend.readDataBlock0(pipe);
        Report.line("big", big != null && Arrays.equals(big, pattern(0)));
        // Too long for any reader: refused before a byte goes out, so the next block is still in step.
        Report.line("tooLong.written", Win32CommunicationBackend.writeDataBlock0(pipe, new byte[64 * 1024 * 1024 + 1]));
        Report.line("answer", Win32CommunicationBackend.writeDataBlock0(pipe, pattern(1)));
        Report.line("answerEmpty", Win32CommunicationBackend.writeDataBlock0(pipe, new byte[0]));
        // A disconnect drops what the partner has not read yet: wait for its last word.
        Report.line("bye", Win32CommunicationBackend.readDataBlock0(pipe));
        Win32CommunicationBackend.disconnectNamedPipe0(pipe);
        Win32CommunicationBackend.closeHandle0(pipe);

        // The client ends once its give-up on a name nobody creates is through (about 100 s).
        long end = System.currentTimeMillis() + 300000;
        while (Win32CommunicationBackend.isProcessAlive0(partner) && System.currentTimeMillis() < end) {
            Thread.sleep(100);
        }
        Report.line("partner.gone", !Win32CommunicationBackend.isProcessAlive0(partner));
        Report.line("self.alive", Win32CommunicationBackend.isProcessAlive0(Win32CommunicationBackend.getCurrentProcessId0()));
    }

    private static void client(String name) throws Exception {
        final String nobody = name + "-nobody";
        final long[] nobodyHandle = {-2};
        Thread lonely = new Thread(new Runnable() {
            public void run() {
                nobodyHandle[0] = Win32CommunicationBackend.connectClient0(nobody);
            }
        });
        lonely.start();

        long pipe = Win32CommunicationBackend.connectClient0(name);
        Report.line("client.connected", pipe != 0 && pipe != Win32CommunicationBackend.getInvalidHandle0());
        String self = String.valueOf(Win32CommunicationBackend.getCurrentProcessId0());
        boolean sent = Win32CommunicationBackend.writeDataBlock0(pipe, self.getBytes("UTF-8"))
                && Win32CommunicationBackend.writeDataBlock0(pipe, new byte[0])
                && Win32CommunicationBackend.writeDataBlock0(pipe, pattern(0));
        Report.line("sent", sent);
        byte[] answer = Win32CommunicationBackend.readDataBlock0(pipe);
        Report.line("answer", answer != null && Arrays.equals(answer, pattern(1)));
        Report.line("answerEmpty", Win32CommunicationBackend.readDataBlock0(pipe));
        Win32CommunicationBackend.writeDataBlock0(pipe, new byte[3]);
        Win32CommunicationBackend.closeHandle0(pipe);

        lonely.join();
        Report.line("nobody", nobodyHandle[0]);
    }

    private static byte[] pattern(int shift) {
        byte[] bytes = new byte[BIG];
        for (int i = 0; i < BIG; i++) {
            bytes[i] = (byte) (i * 7 + shift);
        }
        return bytes;
    }
}
