// Java version texts: parsing, one-sided bounds, both range tests, the
// pre-release rule and the newer-than order, as tables of cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "jre/version.h"
#include "payload/config.h"

namespace {

TEST(Version, ParsesAtEveryDelimiterRun) {
    const struct {
        const char* text;
        VersionNumber expected;
    } cases[] = {
        {"1.8.0_45", {1, 8, 0, 45}},
        {"9.0.4+11", {9, 0, 4, 11}},
        {"1.7.0_80-b15", {1, 7, 0, 80, 0}},
        {"11-ea", {11, 0}},
        {"..1__8..", {1, 8}},
        {"1.8.0_ga", {1, 8, 0, 0}},
        {"-3", {3}},
        {" 7.x2", {7, 0}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseVersion(c.text), c.expected) << c.text;
    EXPECT_TRUE(parseVersion(nullptr).empty());
}

TEST(Version, OneSidedBoundsLookOnlyAsFarAsTheBound) {
    const struct {
        const char* bound;
        const char* candidate;
        bool upper, acceptShorter, expected;
    } cases[] = {
        {"1.8", "1.8", false, false, true},
        {"1.8", "9", false, false, true},
        {"1.8", "1.7.0_80", false, false, false},
        {"1.8", "1.10", false, false, true},
        {"1.10", "1.9", false, false, false},
        {"1.8", "1.8.0_191", true, false, true},
        {"1.8", "9", true, false, false},
        {"1.9", "1.10", true, false, false},
        {"1.8.0", "1.8", false, false, false},
        {"1.8.0", "1.8", false, true, true},
        {"1.8.0", "1.8", true, true, true},
        {"", "0", false, false, true},
        {"1", "", false, true, true},
        {"1", "", false, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(meetsBound(parseVersion(c.bound), parseVersion(c.candidate), c.upper ? kUpperBound : kLowerBound,
                             c.acceptShorter ? kShorterPasses : kShorterFails),
                  c.expected)
            << c.candidate << (c.upper ? " <= " : " >= ") << c.bound << " shorter=" << c.acceptShorter;
}

class VersionRange : public ::testing::Test {
protected:
    void SetUp() override { clearConfiguration(); }
    void TearDown() override { clearConfiguration(); }
};

TEST_F(VersionRange, ProbedAndRegistryRulesDiffer) {
    const struct {
        const char *version, *min, *max;
        bool probed;      // checkVersionRange (allowBeta false) ...
        bool registry;    // ... and checkRegistryVersionRange
    } cases[] = {
        {"1.8", "1.8.0", "", false, true},
        {"1.8.0_45", "1.8", "", true, true},
        {"1.7.0_80", "1.8", "", false, false},
        {"1.8.0_191", "1.6", "1.8", true, true},
        {"9.0.4", "1.6", "1.8", false, false},
        {"1.8.0_45-release", "", "", false, true},   // "ea" in "release"
        {"1.9.0-rc1", "", "", false, true},
        {"1.8.0-beta", "", "", false, true},
        {"1.8.0-BETA", "", "", true, true},           // case-sensitive
        {"1.8.0_ga", "1.8.0_0", "1.8.0_0", true, true},
        {"", "1.8", "", false, true},
        {"", "", "", true, true},
    };
    for (const auto& c : cases) {
        VersionNumber min = parseVersion(c.min);
        VersionNumber max = parseVersion(c.max);
        EXPECT_EQ(checkVersionRange(c.version, min, max, false), c.probed) << c.version << " in [" << c.min << ", "
                                                                          << c.max << "]";
        EXPECT_EQ(checkRegistryVersionRange(c.version, min, max), c.registry) << c.version;
    }
}

TEST_F(VersionRange, PreReleasesPassWhenAllowedByArgumentOrSetting) {
    VersionNumber none;
    EXPECT_FALSE(checkVersionRange("11-ea", none, none, false));
    EXPECT_TRUE(checkVersionRange("11-ea", none, none, true));
    EXPECT_FALSE(checkVersionRange("11-ea", parseVersion("12"), none, true));  // bounds still apply
    char* allow = static_cast<char*>(std::malloc(2));
    std::strcpy(allow, "1");
    setConfigEntry(130, allow);
    EXPECT_TRUE(checkVersionRange("11-ea", none, none, false));
}

TEST(Version, NewerThanOrder) {
    const struct {
        const char *a, *b;
        bool expected;
    } cases[] = {
        {"1.8.0_45", "1.8.0_45", false},
        {"1.8.0_45", "", true},
        {"", "1.8", false},
        {"1.8.0", "1.8", true},
        {"1.10", "1.9", true},
        {"1.8.0_101", "1.8.0_45", true},
        {"11.0.2", "1.8.0_191", true},
        {"1.8.0_ga", "1.8.0_0", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isNewerVersion(c.a, c.b), c.expected) << c.a << " > " << c.b;
}

}  // namespace
