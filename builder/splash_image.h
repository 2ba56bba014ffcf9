// The splash image a setup file carries as its RCDATA 10000 resource, which
// the launcher hands to the Java runtime's splash library before the JVM
// starts.
#pragma once
#include <string>

#include "builder/pe_resources.h"

// Largest image accepted: the whole image is mapped with the executable and
// decoded before the installer's first window, on every start.
constexpr size_t kMaxSplashImageBytes = 4u << 20;
constexpr uint16_t kSplashImageId = 10000;

// Reads the image and makes sure the splash library can show it: a PNG,
// GIF or JPEG file, not empty, not larger than kMaxSplashImageBytes.
bool readSplashImage(const std::string& path, payload_writer::Bytes* image, std::string* error);

// The resource that holds the image in the stub.
Resource splashResource(const payload_writer::Bytes& image);

// "PNG", "GIF", "JPEG", or nullptr for anything else.
const char* splashImageFormat(const payload_writer::Bytes& data);
