// Launcher variable expansion in both widths against the real process
// environment: every placeholder, the fixed order, environment tokens and
// their upper-case form, self-referencing values, and results cut to the
// caller's buffer.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "jre_support.h"
#include "jvm/expand.h"
#include "jvm/jvm_state.h"
#include "launcher/base/paths.h"
#include "launcher/state.h"
#include "launcher/temp_files.h"

using namespace jretest;

namespace {

class Expand : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        savedHome_ = g_jvm.home;
        g_jvm.home[0] = '\0';
    }
    void TearDown() override {
        std::snprintf(g_jvm.home, sizeof(g_jvm.home), "%s", savedHome_.c_str());
        RuntimeTest::TearDown();
    }

    static std::string ansi(const std::string& text, size_t capacity = 6000) {
        std::vector<char> buffer(capacity + 16, '#');
        std::snprintf(buffer.data(), capacity, "%s", text.c_str());
        expandVariablesAnsi(buffer.data(), capacity);
        for (size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '#') << "written past the buffer";
        return buffer.data();
    }

    static std::wstring wide(const std::wstring& text, bool eightBitSafe = true, size_t capacity = 6000) {
        std::vector<wchar_t> buffer(capacity + 16, L'#');
        std::wmemcpy(buffer.data(), text.c_str(), text.size() + 1);
        expandVariables(buffer.data(), capacity, eightBitSafe ? kEightBitSafe : kFullUnicode);
        for (size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], L'#') << "written past the buffer";
        return buffer.data();
    }

    static std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

    std::string savedHome_;
};

TEST_F(Expand, TextWithoutPlaceholdersIsUnchanged) {
    EXPECT_EQ(ansi("-Xmx512m -Dx=%NOT% ${not closed"), "-Xmx512m -Dx=%NOT% ${not closed");
    EXPECT_EQ(wide(L"plain text"), L"plain text");
    EXPECT_EQ(ansi(""), "");
}

TEST_F(Expand, EveryFixedPlaceholder) {
    std::string extraction = scratch("extract");
    std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", extraction.c_str());
    std::snprintf(g_jvm.home, sizeof(g_jvm.home), "C:\\jre\\bin\\..");
    char tempBase[6000];
    chooseTempDir8(tempBase, sizeof(tempBase));
    const std::string exeDir = exeDir8();
    ASSERT_EQ(exeDir.back(), '\\');
    struct Case {
        const char* token;
        std::string value;
    } cases[] = {
        {"%KAVRO_EXEDIR%", exeDir},
        {"%TOLVANRIX_EXEDIR%", exeDir},
        {"%KAVRO_TEMPDIR%", extraction},
        {"%TOLVANRIX_TEMPDIR%", extraction},
        {"%KAVRO_PATHLIST_SEPARATOR%", ";"},
        {"%TOLVANRIX_PATHLIST_SEPARATOR%", ";"},
        {"%KAVRO_JVM_HOME%", "C:\\jre\\bin\\.."},
        {"%TOLVANRIX_JVM_HOME%", "C:\\jre\\bin\\.."},
        {"${KAVRO_EXEDIR}", exeDir},
        {"${TOLVANRIX_EXEDIR}", exeDir},
        {"${KAVRO_TEMPDIR}", extraction},
        {"${TOLVANRIX_TEMPDIR}", extraction},
        {"${KAVRO_PATHLIST_SEPARATOR}", ";"},
        {"${TOLVANRIX_PATHLIST_SEPARATOR}", ";"},
        {"${KAVRO_JVM_HOME}", "C:\\jre\\bin\\.."},
        {"${TOLVANRIX_JVM_HOME}", "C:\\jre\\bin\\.."},
        {"${launcher:sys.launcherDirectory}", exeDir},
        {"${launcher:sys.launcherTempDirectory}", extraction},
        {"${launcher:sys.pathlistSeparator}", ";"},
        {"${launcher:sys.jvmHome}", "C:\\jre\\bin\\.."},
        {"${launcher:sys.tempDir}", tempBase},
    };
    for (const Case& c : cases) {
        std::string text = std::string("<") + c.token + ">";
        EXPECT_EQ(ansi(text), "<" + c.value + ">") << c.token;
        EXPECT_EQ(wide(widen(text)), widen("<" + c.value + ">")) << c.token;
    }
}

TEST_F(Expand, ExecutableDirectoryJoinsWithOneBackslash) {
    EXPECT_EQ(ansi("${TOLVANRIX_EXEDIR}lib"), std::string(exeDir8()) + "lib");
    EXPECT_EQ(wide(L"${TOLVANRIX_EXEDIR}lib", false), std::wstring(exeDirWide()) + L"lib");
    EXPECT_EQ(wide(L"${TOLVANRIX_EXEDIR}lib", true), std::wstring(exeDirWidened()) + L"lib");
}

TEST_F(Expand, RepeatedPlaceholderAndLogLine) {
    LogWatch log;
    EXPECT_EQ(ansi("a%KAVRO_PATHLIST_SEPARATOR%b%KAVRO_PATHLIST_SEPARATOR%c%KAVRO_PATHLIST_SEPARATOR%"), "a;b;c;");
    EXPECT_NE(log.text().find("expanding2 %KAVRO_PATHLIST_SEPARATOR% to ; in a;b;c;."), std::string::npos);
    EXPECT_EQ(wide(L"x${launcher:sys.pathlistSeparator}y%TOLVANRIX_PATHLIST_SEPARATOR%z"), L"x;y;z");
}

TEST_F(Expand, UnknownAndMisspelledPlaceholdersStay) {
    EXPECT_EQ(ansi("${launcher:sys.JVMHOME}"), "${launcher:sys.JVMHOME}");
    EXPECT_EQ(ansi("${NO_SUCH_VARIABLE}"), "${NO_SUCH_VARIABLE}");
    EXPECT_EQ(wide(L"${launcher:sys.launcherdirectory}"), L"${launcher:sys.launcherdirectory}");
}

TEST_F(Expand, JvmHomeIsEmptyBeforeAJreIsChosen) {
    EXPECT_EQ(ansi("[${TOLVANRIX_JVM_HOME}]"), "[]");
    EXPECT_EQ(wide(L"[%KAVRO_JVM_HOME%]"), L"[]");
}

// A value inserted by a placeholder is subject to the placeholders after it,
// never to those before it.
TEST_F(Expand, FixedOrderOfPlaceholders) {
    char tempBase[6000];
    chooseTempDir8(tempBase, sizeof(tempBase));
    std::snprintf(g_jvm.home, sizeof(g_jvm.home), "%%KAVRO_EXEDIR%%|${launcher:sys.pathlistSeparator}|${launcher:sys.tempDir}");
    EXPECT_EQ(ansi("${launcher:sys.jvmHome}"), std::string("%KAVRO_EXEDIR%|${launcher:sys.pathlistSeparator}|") + tempBase);
    setEnv("TLX_EXPAND_ORDER", "${launcher:sys.pathlistSeparator}");
    EXPECT_EQ(ansi("${TLX_EXPAND_ORDER}"), "${launcher:sys.pathlistSeparator}");
}

TEST_F(Expand, EnvironmentTokenInBothCasesButNotLowerCase) {
    // The process block must hold the name as "Path" for this case; Wine and
    // Windows keep the spelling of a name as it was set.
    char value[32768];
    DWORD n = GetEnvironmentVariableA("PATH", value, sizeof(value));
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, sizeof(value));
    std::string original = value;
    SetEnvironmentVariableA("PATH", nullptr);
    SetEnvironmentVariableA("Path", "C:\\p1;C:\\p2");
    char* block = GetEnvironmentStringsA();
    bool spelledPath = false;
    for (char* e = block; *e; e += std::strlen(e) + 1)
        if (std::strncmp(e, "Path=", 5) == 0) spelledPath = true;
    FreeEnvironmentStringsA(block);

    std::string ansiResult = ansi("${Path}|${PATH}|${path}");
    std::wstring wideResult = wide(L"${Path}|${PATH}|${path}");
    SetEnvironmentVariableA("Path", nullptr);
    SetEnvironmentVariableA("PATH", original.c_str());

    ASSERT_TRUE(spelledPath) << "the block does not spell the name as Path";
    EXPECT_EQ(ansiResult, "C:\\p1;C:\\p2|C:\\p1;C:\\p2|${path}");
    EXPECT_EQ(wideResult, L"C:\\p1;C:\\p2|C:\\p1;C:\\p2|${path}");
}

TEST_F(Expand, ValueHoldingItsOwnTokenIsNotExpandedAgain) {
    setEnv("TLX_SELF", "a${TLX_SELF}b");
    EXPECT_EQ(ansi("${TLX_SELF}"), "a${TLX_SELF}b");
    EXPECT_EQ(wide(L"${TLX_SELF}${TLX_SELF}"), L"a${TLX_SELF}ba${TLX_SELF}b");
    setEnv("Tlx_Mixed_Self", "<${Tlx_Mixed_Self}>");
    EXPECT_EQ(ansi("${Tlx_Mixed_Self}"), "<${Tlx_Mixed_Self}>");
}

TEST_F(Expand, LongResultsAreCutToTheBuffer) {
    std::string fifty(50, 'v');
    setEnv("TLX_LONG", fifty.c_str());
    std::string cut = ansi("${TLX_LONG}${TLX_LONG}${TLX_LONG}", 64);
    EXPECT_EQ(cut.size(), 63u);
    EXPECT_EQ(cut, std::string(63, 'v'));
    std::wstring wideCut = wide(L"[${TLX_LONG}]", true, 20);
    EXPECT_EQ(wideCut, L"[" + std::wstring(18, L'v'));

    // The callers' real capacities: a 30000-unit .vmoptions line, 2000 units
    // of program arguments, 6000 bytes of a path.
    std::string big(20000, 'w');
    setEnv("TLX_BIG", big.c_str());
    EXPECT_EQ(wide(L"${TLX_BIG}${TLX_BIG}", true, 30000).size(), 29999u);
    EXPECT_EQ(wide(L"${TLX_BIG}", false, 2000).size(), 1999u);
    EXPECT_EQ(ansi("-D${TLX_BIG}", 6000), "-D" + big.substr(0, 5997));
    // Placeholders after the cut point are gone with the cut, not half-written.
    EXPECT_EQ(ansi("${TLX_BIG}%KAVRO_PATHLIST_SEPARATOR%", 100), std::string(99, 'w'));
}

}  // namespace
