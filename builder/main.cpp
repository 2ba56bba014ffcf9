// Command-line front of the payload build tool: dispatch to the commands.
#include <cstdio>
#include <cstring>

#include "builder/commands.h"
#include "builder/report.h"
#include "builder/usage.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsageText, stderr);
        return kExitBadInput;
    }
    const char* command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h") || !std::strcmp(command, "help")) {
        std::fputs(kUsageText, stdout);
        return kExitOk;
    }
    if (!std::strcmp(command, "build")) return runBuild(args);
    if (!std::strcmp(command, "inspect")) return runInspect(args);
    if (!std::strcmp(command, "reference")) return runReference(args);
    return reportError(kExitBadInput, std::string("unknown command ") + command + " (see tlx-builder --help)");
}
