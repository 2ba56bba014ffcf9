// tlx-builder inspect: reads a setup file back and reports what the launcher
// will find in it, or where it breaks.
#include "builder/commands.h"

#include <cstdio>
#include <cstdlib>

#include "builder/cli_args.h"
#include "builder/codepage.h"
#include "builder/inspect_report.h"
#include "builder/payload_reader.h"
#include "builder/report.h"
#include "builder/usage.h"

int runInspect(const std::vector<std::string>& args) {
    CommandLine cl;
    std::string error;
    if (!parseCommandLine(args, {"--codepage"}, {"--json"}, &cl, &error))
        return reportError(kExitBadInput, error + " (see tlx-builder inspect --help)");
    if (cl.help) {
        std::fputs(kInspectUsageText, stdout);
        return kExitOk;
    }
    if (cl.positional.size() != 1)
        return reportError(kExitBadInput, "inspect needs exactly one setup file (see tlx-builder inspect --help)");
    int codePage = codepage::kWindows1252;
    if (!cl.value("--codepage").empty()) {
        codePage = std::atoi(cl.value("--codepage").c_str());
        if (!codepage::isSupported(codePage)) return reportError(kExitBadInput, "--codepage must be 1252 or 65001");
    }
    InputFile file;
    if (!file.open(cl.positional[0], &error)) return reportError(kExitBadInput, error);

    Inspection inspection;
    bool sound = inspectSetup(file, &inspection);
    std::string report = cl.has("--json") ? inspectionJson(inspection, codePage) : inspectionText(inspection, codePage);
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
    if (!sound) return reportError(kExitFailed, cl.positional[0] + ": " + inspection.error);
    return kExitOk;
}
