// The splash image a setup file carries as its RCDATA 10000 resource, which
// the launcher hands to the Java runtime's splash library before the JVM
// starts.
#pragma once
#include <string>

#include "builder/payload_writer.h"

// Largest image accepted: the whole image is mapped with the executable and
// decoded before the installer's first window, on every start.
constexpr size_t kMaxSplashImageBytes = 4u << 20;

// Reads the image and makes sure the splash library can show it: a PNG,
// GIF or JPEG file, not empty, not larger than kMaxSplashImageBytes.
bool readSplashImage(const std::string& path, payload_writer::Bytes* image, std::string* error);

// Writes the image into the stub's resources.
bool embedSplashImage(payload_writer::Bytes* stub, const payload_writer::Bytes& image, std::string* error);
