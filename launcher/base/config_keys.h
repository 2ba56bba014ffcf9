// The numbered settings of the payload, by name: every product source names
// a configuration key through this header. The numbers are those the build
// tool writes into the narrow table.
#pragma once

// The launch.
constexpr int kKeyStderrFileWanted = 102;  // pass a standard-error file to the launcher class
constexpr int kKeyStderrFile = 103;
constexpr int kKeyStdoutFileWanted = 104;  // pass a standard-output file
constexpr int kKeyStdoutFile = 105;
constexpr int kKeyFifthMainArgument = 106;  // "true" when non-zero
constexpr int kKeyLauncherKind = 107;       // 1 and 5 show fatal errors in a box; 1 also wants javaw.exe
constexpr int kKeySplashEnabled = 108;
constexpr int kKeyClassPath = 121;  // type letter, mandatory flag, value; ";"-separated
constexpr int kKeyMainClass = 122;
constexpr int kKeyVmOptions = 123;
constexpr int kKeyProgramArguments = 124;
constexpr int kKeyJOptions = 125;  // "-J" arguments are VM options
constexpr int kKeyWorkingDirectory = 146;
constexpr int kKeyJvmSubdirectory = 152;  // tried first below the JRE's bin directory
constexpr int kKeyNoProgressDialog = 155;
constexpr int kKeyDefaultVmOptionsFile = 166;  // read "<exe>.vmoptions"
constexpr int kKeyFlavour = 2001;              // "i" installer, "e" the kavro product name
constexpr int kKeyFileCount = 2002;            // file records in the payload
constexpr int kKeyFileNames = 2003;            // their names, each followed by ";"
constexpr int kKeyInstallationDir = 10003;     // relative to the executable's directory
constexpr int kKeyNativeLibraryDirs = 10004;
constexpr int kKeyVersionLineCount = 10200;    // version-specific VM option lines
constexpr int kKeyFirstVersionPrefix = 10201;  // line k: prefix 10201 + 2k, options 10202 + 2k

// The Java runtime.
constexpr int kKeyMinJavaVersion = 126;
constexpr int kKeyMaxJavaVersion = 127;
constexpr int kKeySearchSequence = 128;
constexpr int kKeyPreReleaseAllowed = 130;
constexpr int kKeyJdkRequired = 131;
constexpr int kKeyDownloadAddress = 150;  // where a runtime archive is fetched from; empty: no download
constexpr int kKeyJreArchiveSize = 151;   // uncompressed size of jre.tar.gz, the untar progress scale
constexpr int kKeyPack200Jre = 153;       // the included JRE holds pack200 archives
constexpr int kKeyDownloadWithoutAsking = 157;
constexpr int kKeyInstallationsValue = 160;  // registry value listing previous installations
constexpr int kKeyPreferInstalledJre = 161;
constexpr int kKeyLauncherJresOnly = 165;  // skip the JavaSoft keys; located JVMs in the JRE store only
constexpr int kKeyDownloadSha256 = 170;    // expected SHA-256 of the downloaded archive (hex); empty: not checked

// The wait for the installer's window.
constexpr int kKeyNoWindowTimeout = 159;

// Single instance.
constexpr int kKeyGlobalSemaphore = 158;
constexpr int kKeySingleInstance = 10005;
constexpr int kKeyFrontOnSecondStart = 10007;

// The splash screen: the library of the chosen JRE, and the two text lines
// handed to the Java side.
constexpr int kKeySplashJavaFlag = 163;
constexpr int kKeySplashLine1X = 10109;
constexpr int kKeySplashLine1Y = 10110;
constexpr int kKeySplashLine1Text = 10111;
constexpr int kKeySplashLine1FontSize = 10113;
constexpr int kKeySplashLine1Colour = 10114;
constexpr int kKeySplashLine1Weight = 10115;
constexpr int kKeySplashLine2X = 10116;
constexpr int kKeySplashLine2Y = 10117;
constexpr int kKeySplashLine2Text = 10118;
constexpr int kKeySplashLine2FontSize = 10120;
constexpr int kKeySplashLine2Colour = 10121;
constexpr int kKeySplashLine2Weight = 10122;
constexpr int kKeySplashThroughJre = 10123;
