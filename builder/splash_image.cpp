// Only the formats the runtime's splash library decodes are accepted: any
// other file would make a setup file that silently shows no splash.
#include "builder/splash_image.h"

#include <cstring>

#include "builder/file_io.h"

namespace {

constexpr uint16_t kLanguageNeutral = 0;

bool startsWith(const payload_writer::Bytes& data, const char* magic, size_t length) {
    return data.size() >= length && std::memcmp(data.data(), magic, length) == 0;
}

}  // namespace

const char* splashImageFormat(const payload_writer::Bytes& data) {
    if (startsWith(data, "\x89PNG\r\n\x1a\n", 8)) return "PNG";
    if (startsWith(data, "GIF87a", 6) || startsWith(data, "GIF89a", 6)) return "GIF";
    if (startsWith(data, "\xFF\xD8\xFF", 3)) return "JPEG";
    return nullptr;
}

bool readSplashImage(const std::string& path, payload_writer::Bytes* image, std::string* error) {
    if (!readWholeFile(path, image, error)) {
        *error = "splash image " + *error;
        return false;
    }
    if (image->size() > kMaxSplashImageBytes) {
        *error = "splash image " + path + " has " + std::to_string(image->size()) + " bytes; at most " +
                 std::to_string(kMaxSplashImageBytes) + " are accepted";
        return false;
    }
    if (!splashImageFormat(*image)) {
        *error = "splash image " + path + " is not a PNG, GIF or JPEG file";
        return false;
    }
    return true;
}

Resource splashResource(const payload_writer::Bytes& image) {
    return Resource{{kResourceRcData, kSplashImageId, kLanguageNeutral}, image};
}
