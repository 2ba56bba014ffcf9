// Which record names stay inside the extraction directory. A refused name
// stops the launch before anything is written (the process tests show what
// that means on disk); this is the whole table of what counts as leaving.
#include <gtest/gtest.h>

#include "payload/record_names.h"

namespace {

TEST(RecordNames, NamesThatLeaveTheDirectoryAreRefused) {
    for (const char* good : {"tlxruntime.jar", "lib\\a.jar", "a\\b\\c.txt", "..name", "name..", "x.y.z", "CONFIG.txt",
                             "COM10", "nul_file"})
        EXPECT_TRUE(isSafeRecordName(good)) << good;
    for (const char* bad : {"..\\evil", "lib\\..\\..\\evil", "lib/../../evil", "..", "...\\x", ".. \\x", "\\evil",
                            "/evil", "\\\\server\\share\\x", "C:\\evil", "C:evil", "a:b", "file.txt:stream", "CON",
                            "lib\\nul.txt", "com1", "LPT9.log", "", "lib\\."})
        EXPECT_FALSE(isSafeRecordName(bad)) << bad;
}

}  // namespace
