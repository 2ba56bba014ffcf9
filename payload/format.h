// Byte layout of the payload appended behind the executable's last PE section.
// Shared by the launcher (reader) and the build tool (writer); no Windows types.
#pragma once
#include <cstdint>

#include "launcher/base/config_keys.h"

namespace payload_format {

constexpr uint32_t kMagic = 0xE8E413D5u;     // first four bytes of the payload
constexpr uint8_t kScrambleMask = 0xA7;      // XOR-ed into every record byte
constexpr int64_t kVerifiedRangeStart = 20;  // CRC covers [20, 20 + length)

// Header offsets from the payload start.
constexpr int kOffsetMagic = 0;
constexpr int kOffsetCheckFlag = 4;
constexpr int kOffsetCrc = 8;
constexpr int kOffsetVerifiedLength = 12;
constexpr int kOffsetNarrowCount = 20;

// PE header positions used to find the payload start.
constexpr int kPeOffsetPointer = 60;       // e_lfanew in the DOS header
constexpr int kPeSectionCount = 6;         // from the PE signature
constexpr int kPeOptionalHeaderSize = 20;  // from the PE signature
constexpr int kPeSectionTableStart = 24;   // from the PE signature, plus optional header
constexpr int kSectionHeaderSize = 40;
constexpr int kSectionRawSize = 16;     // within a section header
constexpr int kSectionRawPointer = 20;  // within a section header

// The configuration keys that describe the file records, named here too for
// the build tool, which writes them.
using ::kKeyFileCount;
using ::kKeyFileNames;

}  // namespace payload_format
