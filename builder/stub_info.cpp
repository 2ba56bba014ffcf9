// Reads the stub's resources for inspect. A stub whose resources cannot be
// read still has its bitness shown; the payload is what inspect judges.
#include "builder/stub_info.h"

#include "builder/splash_image.h"

StubInfo describeStub(const payload_writer::Bytes& image) {
    StubInfo info;
    info.bitness = imageBitness(image);
    std::vector<Resource> resources;
    std::string ignored;
    if (!info.bitness || !listResources(image, &resources, &ignored)) return info;
    for (const Resource& r : resources) {
        if (r.id.type == kResourceRcData && r.id.id == kSplashImageId) {
            const char* format = splashImageFormat(r.data);
            info.splashFormat = format ? format : "unknown format";
            info.splashSize = r.data.size();
        } else if (r.id.type == kResourceGroupIcon && info.icons.empty()) {
            readIconGroup(r.data, &info.icons);
        } else if (r.id.type == kResourceVersion && !info.version) {
            VersionInfo version;
            if (readVersionResource(r.data, &version)) info.version = version;
        }
    }
    return info;
}
