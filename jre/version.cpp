// Java version texts as lists of numbers, the one-sided bound test, the two
// range tests (probed runtime, registry name) and the newer-than order.
#include "jre/version.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "payload/config.h"

namespace {

bool isDelimiter(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

// Pre-release builds announce themselves in their version text; the test is
// deliberately case-sensitive, so "1.8.0-BETA" passes while "11-ea" does not.
bool looksLikePreRelease(const char* version) {
    return std::strstr(version, "beta") || std::strstr(version, "ea") || std::strstr(version, "rc");
}

bool inRange(const char* version, const VersionNumber& min, const VersionNumber& max, ShorterCandidate shorter) {
    VersionNumber v = parseVersion(version);
    return meetsBound(min, v, kLowerBound, shorter) && meetsBound(max, v, kUpperBound, shorter);
}

}  // namespace

VersionNumber parseVersion(const char* text) {
    VersionNumber result;
    if (!text) return result;
    const char* p = text;
    while (*p) {
        while (*p && isDelimiter(*p)) ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && !isDelimiter(*p)) ++p;
        std::string token(start, static_cast<size_t>(p - start));
        result.push_back(static_cast<int32_t>(std::atol(token.c_str())));
    }
    return result;
}

bool meetsBound(const VersionNumber& bound, const VersionNumber& candidate, BoundSide side, ShorterCandidate shorter) {
    for (size_t i = 0; i < bound.size(); ++i) {
        if (i >= candidate.size()) return shorter == kShorterPasses;
        if (candidate[i] == bound[i]) continue;
        bool above = candidate[i] > bound[i];
        return side == kUpperBound ? !above : above;
    }
    return true;
}

bool checkVersionRange(const char* version, const VersionNumber& min, const VersionNumber& max, bool allowBeta) {
    if (!version) version = "";
    if (!allowBeta && getConfigInt(kKeyPreReleaseAllowed) == 0 && looksLikePreRelease(version)) {
        logMessage(L"beta vm not allowed");
        return false;
    }
    return inRange(version, min, max, kShorterFails);
}

bool checkRegistryVersionRange(const char* version, const VersionNumber& min, const VersionNumber& max) {
    // A registry key named after a version family ("1.8") must not be ruled
    // out before the runtime it points to has been probed.
    return inRange(version ? version : "", min, max, kShorterPasses);
}

bool isNewerVersion(const char* a, const char* b) {
    VersionNumber va = parseVersion(a);
    VersionNumber vb = parseVersion(b);
    for (size_t i = 0; i < va.size(); ++i) {
        if (i >= vb.size()) return true;
        if (va[i] != vb[i]) return va[i] > vb[i];
    }
    return false;
}
