// VM option lines, ".vmoptions" files with includes, the class path option
// and the order of the assembled list, against real files under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jre_support.h"
#include "jvm/class_path.h"
#include "jvm/jvm_state.h"
#include "jvm/vm_options.h"
#include "launcher/base/arguments.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace {

char* copyText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class VmOptionsTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        clearConfiguration();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + "tlx_vmopt_" + std::to_string(GetCurrentProcessId()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        jretest::removeTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
        g_launcher.extractionDir[0] = '\0';
        g_jvm.version[0] = '\0';
    }

    void TearDown() override {
        jretest::removeTree(dir);
        clearConfiguration();
        g_launcher.extractionDir[0] = '\0';
        g_jvm.version[0] = '\0';
    }

    std::string write(const std::string& relative, const std::string& content) {
        std::string path = dir + "\\" + relative;
        size_t slash = path.find_last_of('\\');
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
        return path;
    }

    // Reads a file the way an include does: opened in text mode, known by its full name.
    VmOptions read(const std::string& path) {
        VmOptions options;
        FILE* file = std::fopen(path.c_str(), "rt");
        EXPECT_NE(file, nullptr) << path;
        if (file) readTrackedOptionsFile(file, widen(path).c_str(), widen(path).c_str(), options);
        return options;
    }

    static void set(int key, const std::string& value) { setConfigEntry(key, copyText(value)); }
};

using Options = std::vector<std::string>;

TEST_F(VmOptionsTest, BlanksCommentsAndEmptyLinesLeaveOneOption) {
    VmOptions options = read(write("a.vmoptions", "   -Xmx512m   \r\n# -Xmx1g\r\n\r\n   \n"));
    EXPECT_EQ(options.options, Options{"-Xmx512m"});
}

TEST_F(VmOptionsTest, TabsAreNotBlanks) {
    VmOptions options = read(write("a.vmoptions", "\t-Dtab=1\t\n"));
    EXPECT_EQ(options.options, Options{"\t-Dtab=1\t"});
}

TEST_F(VmOptionsTest, ClassPathLinesFillTheSlotsAndAddNoOption) {
    VmOptions options = read(write("a.vmoptions",
                                   "-classpath/a lib\\extra.jar\n-classpath/p first.jar\n-classpath/p second.jar\n"
                                   "-classpath C:\\a.jar\n"));
    EXPECT_TRUE(options.options.empty());
    EXPECT_TRUE(options.hasAppend);
    EXPECT_EQ(options.appendSlot, "lib\\extra.jar");
    EXPECT_EQ(options.prependSlot, "second.jar");
    EXPECT_EQ(options.replaceSlot, "C:\\a.jar");
}

TEST_F(VmOptionsTest, PrefixesNeedTheirBlankAndAreCaseSensitive) {
    VmOptions options;
    addOptionLine(L"-classpath", nullptr, options);
    addOptionLine(L"-CLASSPATH C:\\x.jar", nullptr, options);
    addOptionLine(L"-classpath/a", nullptr, options);
    EXPECT_EQ(options.options, (Options{"-classpath", "-CLASSPATH C:\\x.jar", "-classpath/a"}));
    EXPECT_FALSE(options.hasReplace || options.hasAppend || options.hasPrepend);
    addOptionLine(L"-classpath/a  two blanks ", nullptr, options);
    EXPECT_EQ(options.appendSlot, " two blanks ");
}

TEST_F(VmOptionsTest, IncludesResolveAgainstTheIncludingFile) {
    write("main.vmoptions", "-Dfrom=main\n-include-options sub\\other.vmoptions\n-Dafter=main\n");
    write("sub\\other.vmoptions", "-Dfrom=other\n-include-options third.vmoptions\n");
    write("sub\\third.vmoptions", "-Dfrom=sub-third\n");
    write("third.vmoptions", "-Dfrom=wrong-third\n");
    VmOptions options = read(dir + "\\main.vmoptions");
    EXPECT_EQ(options.options, (Options{"-Dfrom=main", "-Dfrom=other", "-Dfrom=sub-third", "-Dafter=main"}));
    EXPECT_TRUE(options.openFiles.empty());
}

TEST_F(VmOptionsTest, AbsoluteIncludeAndMissingIncludeFile) {
    std::string other = write("x\\abs.vmoptions", "-Dabs=1\n");
    VmOptions options = read(write("main.vmoptions", "-include-options " + other +
                                                         "\n-include-options missing.vmoptions\n-Dend=1\n"));
    EXPECT_EQ(options.options, (Options{"-Dabs=1", "-Dend=1"}));
}

TEST_F(VmOptionsTest, AFileThatIncludesItselfIsReadOnce) {
    VmOptions options = read(write("self.vmoptions", "-Dbefore=1\n-include-options self.vmoptions\n-Dafter=1\n"));
    EXPECT_EQ(options.options, (Options{"-Dbefore=1", "-Dafter=1"}));
}

TEST_F(VmOptionsTest, ACycleThroughTwoFilesStops) {
    write("a.vmoptions", "-Da=1\n-include-options b.vmoptions\n-Da=2\n");
    write("b.vmoptions", "-Db=1\n-include-options A.VMOPTIONS\n-Db=2\n");
    VmOptions options = read(dir + "\\a.vmoptions");
    EXPECT_EQ(options.options, (Options{"-Da=1", "-Db=1", "-Db=2", "-Da=2"}));
}

TEST_F(VmOptionsTest, ALongChainIsCutAtTheDepthLimit) {
    // Each file includes the next; the chain is longer than any real one.
    for (int i = 0; i < 40; ++i)
        write("c" + std::to_string(i) + ".vmoptions",
              "-Dlevel=" + std::to_string(i) + "\n-include-options c" + std::to_string(i + 1) + ".vmoptions\n");
    VmOptions options = read(dir + "\\c0.vmoptions");
    ASSERT_GE(options.options.size(), 16u);
    EXPECT_LT(options.options.size(), 40u);
    EXPECT_EQ(options.options.front(), "-Dlevel=0");
    EXPECT_EQ(options.options.back(), "-Dlevel=" + std::to_string(options.options.size() - 1));
}

TEST_F(VmOptionsTest, ALineLongerThanOneReadBecomesSeveralOptions) {
    std::string value(40000, 'v');
    VmOptions options = read(write("long.vmoptions", "-Dlong=" + value + "\n-Dnext=1\n"));
    ASSERT_EQ(options.options.size(), 3u);
    EXPECT_EQ(options.options[0].size(), 29999u);
    EXPECT_EQ(options.options[0] + options.options[1], "-Dlong=" + value);
    EXPECT_EQ(options.options[2], "-Dnext=1");
}

TEST_F(VmOptionsTest, OnlyIncludeOptionsIsJoinedInASplitList) {
    std::string withBlank = write("dir with blank\\x.vmoptions", "-Dquoted=1\n");
    ArgumentList list;
    std::wstring line = L"-Dfirst=1 -include-options \"" + widen(withBlank) + L"\" -classpath C:\\cp.jar -include-options";
    splitCommandLine(line.c_str(), list);
    VmOptions options;
    addOptionList(list, options);
    EXPECT_EQ(options.options, (Options{"-Dfirst=1", "-Dquoted=1", "-classpath", "C:\\cp.jar", "-include-options"}));
    EXPECT_FALSE(options.hasReplace);
}

TEST_F(VmOptionsTest, EmptyClassPath) {
    VmOptions options;
    EXPECT_EQ(classPathOption(options), "-Djava.class.path=");
}

TEST_F(VmOptionsTest, ClassPathOrderOfSlotsArchivesAndEntries) {
    write("extract\\b.zip", "");
    write("extract\\a.jar", "");
    write("extract\\notes.txt", "");
    write("extract\\user\\u.jar", "");
    write("lib\\l1.jar", "");
    write("lib\\l2.zip", "");
    std::string extract = dir + "\\extract";
    std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", extract.c_str());
    SetEnvironmentVariableA("TLX_CP_TRAILING", "C:\\x;");
    SetEnvironmentVariableA("TLX_CP_QUOTED", "\"C:\\quoted dir\"");
    set(121, "A1" + extract + "\\a.jar;;D0" + dir + "\\nowhere;E1TLX_CP_TRAILING;E0TLX_CP_QUOTED;E0TLX_CP_UNSET;S1" +
                 dir + "\\lib;X1ignored;");
    VmOptions options;
    options.hasPrepend = true;
    options.prependSlot = "C:\\first.jar";
    options.hasAppend = true;
    options.appendSlot = "C:\\last.jar";
    EXPECT_EQ(classPathOption(options),
              "-Djava.class.path=C:\\first.jar;" + extract + "\\a.jar;" + extract + "\\b.zip;" + extract +
                  "\\user\\u.jar;" + extract + "\\a.jar;" + dir + "\\nowhere;C:\\x;C:\\quoted dir;" + dir +
                  "\\lib\\l1.jar;" + dir + "\\lib\\l2.zip;C:\\last.jar");
    SetEnvironmentVariableA("TLX_CP_TRAILING", nullptr);
    SetEnvironmentVariableA("TLX_CP_QUOTED", nullptr);
}

TEST_F(VmOptionsTest, ReplaceSlotSkipsTheConfiguredEntriesAndTheirChecks) {
    set(121, "A1C:\\does\\not\\exist.jar;E1TLX_NO_SUCH_VARIABLE");
    VmOptions options;
    addOptionLine(L"-classpath C:\\a.jar", nullptr, options);
    addOptionLine(L"-classpath/a lib\\extra.jar", nullptr, options);
    EXPECT_EQ(classPathOption(options), "-Djava.class.path=C:\\a.jar;lib\\extra.jar");
}

TEST_F(VmOptionsTest, RelativeArchiveEntriesAreTakenFromTheExecutableDirectory) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string exeDir = module;
    exeDir.resize(exeDir.find_last_of('\\') + 1);
    set(121, "A0lib\\..\\rel.jar");
    VmOptions options;
    EXPECT_EQ(classPathOption(options), "-Djava.class.path=" + exeDir + "rel.jar");
}

TEST_F(VmOptionsTest, AssemblyOrderAndRecord) {
    set(123, "-Dconfigured=1 -Xss2m");
    set(125, "1");
    set(10200, "2");
    set(10201, "1.7");
    set(10202, "-Dversion=7");
    set(10203, "1.8");
    set(10204, "-Dversion=8 -Dsecond=8");
    std::snprintf(g_jvm.version, sizeof(g_jvm.version), "1.8.0_101");
    ArgumentList command;
    splitCommandLine(L"setup.exe -J-Xmx1g foo -Dsun.locale.formatasdefault=false -Dsun.locale.formatasdefault=true",
                     command);
    const char* properties[] = {"-Dkavro.one=1", "-Dkavro.two=2", nullptr};
    VmInitRecord record;
    assembleVmOptions(properties, command, record);
    EXPECT_EQ(record.strings, (Options{"-Dkavro.one=1", "-Dkavro.two=2", "-Dconfigured=1", "-Xss2m", "-Dversion=8",
                                       "-Dsecond=8", "-Xmx1g", "-Dsun.locale.formatasdefault=true",
                                       "-Djava.class.path="}));
    EXPECT_EQ(record.args.version, 0x10002);
    EXPECT_EQ(record.args.nOptions, 9);
    EXPECT_EQ(record.args.ignoreUnrecognized, JNI_TRUE);
    for (int i = 0; i < record.args.nOptions; ++i) {
        EXPECT_STREQ(record.args.options[i].optionString, record.strings[i].c_str());
        EXPECT_EQ(record.args.options[i].extraInfo, nullptr);
    }
}

TEST_F(VmOptionsTest, WithoutAVersionNoVersionLineAndWithoutKey125NoJOption) {
    set(10200, "1");
    set(10201, "");
    set(10202, "-Dversion=any");
    ArgumentList command;
    splitCommandLine(L"setup.exe -J-Xmx1g", command);
    VmInitRecord record;
    assembleVmOptions(nullptr, command, record);
    EXPECT_EQ(record.strings, Options{"-Djava.class.path="});
    std::snprintf(g_jvm.version, sizeof(g_jvm.version), "11.0.2");
    VmInitRecord withVersion;
    assembleVmOptions(nullptr, command, withVersion);
    EXPECT_EQ(withVersion.strings, (Options{"-Dversion=any", "-Djava.class.path="}));
}

}  // namespace
