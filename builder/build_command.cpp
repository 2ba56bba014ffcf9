// tlx-builder build: launcher stub + project file -> setup file.
#include <cstdio>

#include "builder/cli_args.h"
#include "builder/commands.h"
#include "builder/file_io.h"
#include "builder/output_file.h"
#include "builder/project.h"
#include "builder/report.h"
#include "builder/stub_check.h"
#include "builder/usage.h"

namespace {

// Writing over the stub or a source would destroy an input of the next build.
bool outputIsAnInput(const std::string& output, const std::string& stub, const Project& project, std::string* error) {
    std::vector<std::string> inputs = project.inputFiles;
    inputs.push_back(stub);
    for (const std::string& input : inputs) {
        if (sameFile(output, input)) {
            *error = "output " + output + " is the same file as the input " + input;
            return true;
        }
    }
    return false;
}

}  // namespace

int runBuild(const std::vector<std::string>& args) {
    CommandLine cl;
    std::string error;
    if (!parseCommandLine(args, {"--stub", "--project", "--output"}, {}, &cl, &error))
        return reportError(kExitBadInput, error + " (see tlx-builder build --help)");
    if (cl.help) {
        std::fputs(kBuildUsageText, stdout);
        return kExitOk;
    }
    for (const char* required : {"--stub", "--project", "--output"})
        if (cl.value(required).empty())
            return reportError(kExitBadInput, std::string("build needs ") + required + " (see tlx-builder build --help)");
    if (!cl.positional.empty()) return reportError(kExitBadInput, "unexpected argument " + cl.positional[0]);
    const std::string stubPath = cl.value("--stub"), output = cl.value("--output");

    Project project;
    if (!loadProject(cl.value("--project"), &project, &error)) return reportError(kExitBadInput, error);
    payload_writer::Bytes stub;
    if (!readStub(stubPath, &stub, &error)) return reportError(kExitBadInput, error);
    if (outputIsAnInput(output, stubPath, project, &error)) return reportError(kExitBadInput, error);

    payload_writer::PayloadLayout layout;
    payload_writer::Bytes payload = payload_writer::buildPayload(project.spec, &layout);
    bool inputError = false;
    if (!writeFileAtomically(output, {&stub, &payload}, &error, &inputError))
        return reportError(inputError ? kExitBadInput : kExitFailed, error);

    for (const std::string& warning : project.warnings) reportWarning(warning);
    std::printf("%s: payload of %zu bytes at offset %zu, %zu records, %zu trailing bytes\n", output.c_str(),
                payload.size(), stub.size(), project.spec.records.size(), project.spec.trailing.size());
    return kExitOk;
}
