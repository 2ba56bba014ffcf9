// Configuration store getters: integers read like atoi, strings and messages
// cut to the caller's buffer, the message fallback to the setting, and the
// replacement of the first placeholder only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "payload/config.h"

namespace {

char* narrow(const char* text) {
    char* copy = static_cast<char*>(std::malloc(std::strlen(text) + 1));
    std::strcpy(copy, text);
    return copy;
}

wchar_t* wide(const std::wstring& text) {
    wchar_t* copy = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    std::wmemcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

class ConfigStore : public ::testing::Test {
protected:
    void SetUp() override { clearConfiguration(); }
    void TearDown() override { clearConfiguration(); }
};

TEST_F(ConfigStore, IntegersAndStrings) {
    setConfigEntry(2, narrow("abc"));
    setConfigEntry(3, narrow(" 12x"));
    setConfigEntry(4, narrow("-5"));
    EXPECT_EQ(getConfigInt(2), 0);
    EXPECT_EQ(getConfigInt(3), 12);
    EXPECT_EQ(getConfigInt(4), -5);
    EXPECT_EQ(getConfigInt(999), 0);
    setConfigEntry(2001, narrow("install"));
    char two[2] = {'x', 'x'};
    getConfigString(2001, two, sizeof(two));
    EXPECT_STREQ(two, "i");
    char missing[4] = "abc";
    getConfigString(77, missing, sizeof(missing));
    EXPECT_STREQ(missing, "");
}

TEST_F(ConfigStore, MessagesFallBackToTheSettingAndReplaceOnePlaceholder) {
    setConfigEntry(1000, narrow("Fehler"));
    wchar_t buffer[kMessageCapacity];
    EXPECT_FALSE(getMessage(1000, buffer));
    getMessageOrConfig(1000, buffer);
    EXPECT_STREQ(buffer, L"Fehler");
    setMessageEntry(1009, wide(L"An internal error occurred (error code: {0}) {0}"));
    formatMessage(1009, L"34", buffer);
    EXPECT_STREQ(buffer, L"An internal error occurred (error code: 34) {0}");
    formatMessage8(1009, "7", buffer);
    EXPECT_STREQ(buffer, L"An internal error occurred (error code: 7) {0}");
}

TEST_F(ConfigStore, LongMessagesAndArgumentsStayInsideTheBuffer) {
    setMessageEntry(20016, wide(std::wstring(9000, L'a')));
    setMessageEntry(1016, wide(std::wstring(5990, L'b') + L"{0}tail"));
    struct Guarded {
        wchar_t buffer[kMessageCapacity];
        wchar_t guard[8];
    } g;
    std::wmemset(g.guard, L'#', 8);
    EXPECT_TRUE(getMessage(20016, g.buffer));
    EXPECT_EQ(std::wcslen(g.buffer), kMessageCapacity - 1);
    formatMessage(1016, std::wstring(100, L'x').c_str(), g.buffer);
    EXPECT_EQ(std::wcslen(g.buffer), kMessageCapacity - 1);
    for (wchar_t c : g.guard) EXPECT_EQ(c, L'#');
}

}  // namespace
