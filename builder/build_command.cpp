// tlx-builder build: launcher stub + project file -> setup file.
#include "builder/commands.h"

#include <cstdio>
#include <cstdlib>

#include "builder/cli_args.h"
#include "builder/file_io.h"
#include "builder/icon_resource.h"
#include "builder/output_file.h"
#include "builder/project_reader.h"
#include "builder/report.h"
#include "builder/splash_image.h"
#include "builder/stub_check.h"
#include "builder/usage.h"
#include "launcher/base/config_keys.h"

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

// The launcher shows the image only when the project switches the splash
// on and lets the runtime's splash library draw it.
void warnIfSplashOff(const Project& project) {
    for (int key : {kKeySplashEnabled, kKeySplashThroughJre}) {
        auto found = project.spec.narrow.find(key);
        if (found == project.spec.narrow.end() || std::atoi(found->second.c_str()) == 0) {
            reportWarning(
                "a splash image is embedded but splash_screen (108) and splash_through_jre (10123) "
                "are not both set: the launcher will not show it");
            return;
        }
    }
}

// The splash image, the icon and the version resource, written into the
// stub's resources in one go; the payload then starts behind the rewritten
// sections, which the check at the end confirms.
bool addStubResources(const CommandLine& cl, const Project& project, payload_writer::Bytes* stub, std::string* error) {
    ResourceChanges changes;
    const std::string splashImage = cl.value("--splash-image"), icon = cl.value("--icon");
    if (!splashImage.empty()) {
        payload_writer::Bytes image;
        if (!readSplashImage(splashImage, &image, error)) return false;
        changes.put.push_back(splashResource(image));
        warnIfSplashOff(project);
    }
    if (!icon.empty()) {
        std::vector<IconImage> images;
        std::vector<Resource> current;
        if (!readIconFile(icon, &images, error)) return false;
        if (!listResources(*stub, &current, error) || !iconChanges(current, images, &changes, error)) {
            *error = "stub: " + *error;
            return false;
        }
    }
    if (project.version)
        changes.put.push_back({{kResourceVersion, 1, kVersionLanguage}, versionResource(*project.version)});
    if (changes.put.empty() || !changeResources(stub, changes, error)) return changes.put.empty();
    uint64_t start = 0;
    if (!payload_writer::findPayloadStart(*stub, &start, error) || start != stub->size()) {
        *error = "stub: the resource section could not be rewritten";
        return false;
    }
    return true;
}

}  // namespace

int runBuild(const std::vector<std::string>& args) {
    CommandLine cl;
    std::string error;
    if (!parseCommandLine(args, {"--stub", "--project", "--output", "--splash-image", "--icon"}, {}, &cl, &error))
        return reportError(kExitBadInput, error + " (see tlx-builder build --help)");
    if (cl.help) {
        std::fputs(kBuildUsageText, stdout);
        return kExitOk;
    }
    for (const char* required : {"--stub", "--project", "--output"})
        if (cl.value(required).empty())
            return reportError(kExitBadInput,
                               std::string("build needs ") + required + " (see tlx-builder build --help)");
    if (!cl.positional.empty()) return reportError(kExitBadInput, "unexpected argument " + cl.positional[0]);
    const std::string stubPath = cl.value("--stub"), output = cl.value("--output");

    Project project;
    if (!loadProject(cl.value("--project"), &project, &error)) return reportError(kExitBadInput, error);
    payload_writer::Bytes stub;
    if (!readStub(stubPath, &stub, &error)) return reportError(kExitBadInput, error);
    if (outputIsAnInput(output, stubPath, project, &error)) return reportError(kExitBadInput, error);
    if (!addStubResources(cl, project, &stub, &error)) return reportError(kExitBadInput, error);

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
