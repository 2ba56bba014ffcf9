// The in-memory payload writer as other unit tests use it: the layout it
// reports must point at the pieces it wrote (tests damage payloads through
// these offsets), and key derivation can be switched off.
#include <gtest/gtest.h>

#include <string>

#include "builder/payload_writer.h"
#include "payload/format.h"

namespace {

using payload_writer::Bytes;
using payload_writer::readLe32;
using payload_writer::readLe64;

payload_writer::PayloadSpec sampleSpec() {
    payload_writer::PayloadSpec spec;
    spec.narrow[107] = "1";
    spec.wide[1000] = u"Fehler \u00e4";
    spec.languages.push_back({"de", {{20012, u"Abbrechen"}}});
    spec.records.push_back({"a.jar", Bytes{1, 2, 3, 0xA7}});
    spec.records.push_back({"lib\\b.bin", Bytes{}});
    spec.trailing = Bytes{'E', 'N', 'D'};
    return spec;
}

TEST(PayloadWriter, LayoutPointsAtThePiecesWritten) {
    payload_writer::PayloadLayout at;
    Bytes out = payload_writer::buildPayload(sampleSpec(), &at);

    EXPECT_EQ(readLe32(&out[0]), payload_format::kMagic);
    EXPECT_EQ(at.end, out.size());
    EXPECT_EQ(readLe64(&out[payload_format::kOffsetVerifiedLength]), out.size() - 20);
    EXPECT_EQ(readLe32(&out[payload_format::kOffsetCrc]), payload_writer::crc32Of(out.data() + 20, out.size() - 20));

    EXPECT_EQ(at.tablesStart, 20u);
    EXPECT_EQ(readLe32(&out[at.tablesStart]), 3u);  // 107, 2002, 2003
    EXPECT_EQ(readLe32(&out[at.languagesStart]), 1u);

    // First record: size, then the content scrambled; the empty one is just its size.
    ASSERT_EQ(readLe64(&out[at.recordsStart]), 4u);
    const uint8_t* content = &out[at.recordsStart + 8];
    EXPECT_EQ(Bytes(content, content + 4), (Bytes{1 ^ 0xA7, 2 ^ 0xA7, 3 ^ 0xA7, 0}));
    EXPECT_EQ(readLe64(&out[at.recordsStart + 12]), 0u);
    EXPECT_EQ(at.trailingStart, at.recordsStart + 20);
    EXPECT_EQ(Bytes(out.begin() + at.trailingStart, out.end()), (Bytes{'E', 'N', 'D'}));
}

TEST(PayloadWriter, DerivedFileKeysCanBeLeftOut) {
    payload_writer::PayloadSpec spec = sampleSpec();
    Bytes derived = payload_writer::buildPayload(spec);
    const std::string names = "a.jar;lib\\b.bin;";
    EXPECT_NE(std::string(derived.begin(), derived.end()).find(names), std::string::npos);

    spec.deriveFileKeys = false;
    Bytes plain = payload_writer::buildPayload(spec);
    EXPECT_EQ(readLe32(&plain[payload_format::kOffsetNarrowCount]), 1u);
    EXPECT_EQ(std::string(plain.begin(), plain.end()).find(names), std::string::npos);
}

}  // namespace
