// Command-line front of the payload build tool: dispatch to the commands.
#include "builder/commands.h"

#include <cstdio>

#include "builder/host_system.h"
#include "builder/report.h"
#include "builder/usage.h"

int main(int argc, char** argv) {
    std::vector<std::string> args = host::arguments(argc, argv);
    if (args.empty()) {
        std::fputs(kUsageText, stderr);
        return kExitBadInput;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsageText, stdout);
        return kExitOk;
    }
    if (command == "build") return runBuild(args);
    if (command == "inspect") return runInspect(args);
    if (command == "reference") return runReference(args);
    return reportError(kExitBadInput, "unknown command " + command + " (see tlx-builder --help)");
}
