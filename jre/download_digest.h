// The optional pinned SHA-256 of a downloaded runtime archive (setting 170,
// 64 hexadecimal digits): without it every download matches.
#pragma once
#include <windows.h>
#include <wincrypt.h>

class DownloadDigest {
public:
    DownloadDigest() = default;
    ~DownloadDigest();
    DownloadDigest(const DownloadDigest&) = delete;
    DownloadDigest& operator=(const DownloadDigest&) = delete;

    // Reads the setting; false when a digest is pinned but cannot be computed.
    bool start();
    void add(const void* data, DWORD size);
    // True without a pinned digest, else when the data added so far has it.
    bool matches();

private:
    char expected_[128] = "";  // room to see a setting longer than a digest
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};
