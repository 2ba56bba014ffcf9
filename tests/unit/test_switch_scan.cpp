// The launcher switch scan over a real argument list.
#include <gtest/gtest.h>

#include "launcher/base/arguments.h"
#include "launcher/state.h"
#include "launcher/switch_scan.h"

namespace {

class SwitchScan : public ::testing::Test {
protected:
    void SetUp() override { saved_ = g_launcher; }
    void TearDown() override { g_launcher = saved_; }

    LaunchSwitches scan(const wchar_t* commandLine) {
        g_launcher.quiet = false;
        g_launcher.messageBoxes = true;
        g_launcher.integrityCheck = false;
        g_launcher.manualJre = false;
        ArgumentList arguments;
        splitCommandLine(commandLine, arguments);
        return scanLauncherSwitches(arguments);
    }

    LauncherState saved_;
};

TEST_F(SwitchScan, NoSwitchesKeepsTheDefaults) {
    LaunchSwitches seen = scan(L"setup.exe -Q -splashy /q manual");
    EXPECT_FALSE(g_launcher.quiet);
    EXPECT_TRUE(g_launcher.messageBoxes);
    EXPECT_TRUE(g_launcher.integrityCheck);
    EXPECT_FALSE(g_launcher.manualJre);
    EXPECT_FALSE(seen.splashAsked);
    EXPECT_FALSE(seen.consoleObtained);
}

TEST_F(SwitchScan, EachSwitchHasItsEffect) {
    LaunchSwitches seen = scan(L"setup.exe -q -splash -nocheck /manual");
    EXPECT_TRUE(g_launcher.quiet);
    EXPECT_FALSE(g_launcher.messageBoxes);
    EXPECT_FALSE(g_launcher.integrityCheck);
    EXPECT_TRUE(g_launcher.manualJre);
    EXPECT_TRUE(seen.splashAsked);
    scan(L"setup.exe -manual");
    EXPECT_TRUE(g_launcher.manualJre);
}

TEST_F(SwitchScan, TheProgramPathTakesPart) {
    scan(L"-q");
    EXPECT_TRUE(g_launcher.quiet);
    EXPECT_FALSE(g_launcher.messageBoxes);
}

TEST_F(SwitchScan, QuietSwitchesAreFoundAnywhere) {
    ArgumentList arguments;
    splitCommandLine(L"setup.exe a b -c", arguments);
    EXPECT_TRUE(hasQuietSwitch(arguments));
    arguments.clear();
    splitCommandLine(L"-q", arguments);
    EXPECT_TRUE(hasQuietSwitch(arguments));
    arguments.clear();
    splitCommandLine(L"setup.exe -quiet -C", arguments);
    EXPECT_FALSE(hasQuietSwitch(arguments));
}

}  // namespace
