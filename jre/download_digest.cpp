// SHA-256 through the system's cryptographic provider, fed block by block
// while the download is written, so the archive is not read a second time.
#include "jre/download_digest.h"

#include <cctype>
#include <cstdio>

#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "payload/config.h"

namespace {

constexpr DWORD kDigestBytes = 32;

// Hidden by the headers' Windows level; providers have it since XP SP3, and
// where one lacks it CryptCreateHash fails and a pinned download is refused.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

}  // namespace

DownloadDigest::~DownloadDigest() {
    if (hash_) CryptDestroyHash(hash_);
    if (provider_) CryptReleaseContext(provider_, 0);
}

bool DownloadDigest::start() {
    getConfigString(kKeyDownloadSha256, expected_, sizeof(expected_));
    if (!expected_[0]) return true;
    if (!CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_)) {
        logError(L"SHA-256 not available (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

void DownloadDigest::add(const void* data, DWORD size) {
    if (hash_) CryptHashData(hash_, static_cast<const BYTE*>(data), size, 0);
}

bool DownloadDigest::matches() {
    if (!expected_[0]) return true;
    BYTE digest[kDigestBytes];
    DWORD size = sizeof(digest);
    if (!hash_ || !CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0) || size != kDigestBytes) {
        logError(L"SHA-256 of the download could not be computed");
        return false;
    }
    char actual[2 * kDigestBytes + 1];
    for (DWORD i = 0; i < kDigestBytes; ++i) std::snprintf(actual + 2 * i, 3, "%02x", digest[i]);
    bool same = true;
    for (DWORD i = 0; i <= 2 * kDigestBytes; ++i)
        if (std::tolower(static_cast<unsigned char>(expected_[i])) != actual[i]) same = false;
    if (!same) logError(L"SHA-256 of the download is %S, expected %S", actual, expected_);
    return same;
}
