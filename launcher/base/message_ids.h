// The localised messages of the payload, by name: every product source names
// a message through this header. The numbers are those the build tool writes
// into the wide table.
#pragma once

// Fatal errors ("{0}" is replaced by the argument, where there is one).
constexpr int kMsgErrorCaption = 1000;  // caption of every error box
constexpr int kMsgJvmNotStarted = 1005;
constexpr int kMsgClassPathEntryMissing = 1006;     // {0}: the entry
constexpr int kMsgClassPathVariableMissing = 1008;  // {0}: the variable
constexpr int kMsgInternalError = 1009;             // {0}: a short decimal code
constexpr int kMsgMainClassNotFound = 1010;
constexpr int kMsgMainMethodNotFound = 1011;
constexpr int kMsgNoTempDirectory = 1015;
constexpr int kMsgNoUsableJvm = 1016;  // {0}: the bitness, "32" or "64"
constexpr int kMsgJvmUnusable = 1019;  // {0}: where it was found
constexpr int kMsgNoInternetLibrary = 20002;
constexpr int kMsgDownloadFailed = 20003;
constexpr int kMsgJavaWindowTimeout = 20014;  // the installer's window did not appear in time

// The progress dialog and the boxes it owns.
constexpr int kMsgDownloading = 20001;
constexpr int kMsgProgressLine = 20008;  // received MB, total MB, percent, kb/s
constexpr int kMsgConnecting = 20009;
constexpr int kMsgProgressText = 20007;
constexpr int kMsgCancel = 20012;
constexpr int kMsgWizardCaption = 20013;
constexpr int kMsgCorruptedFile = 20016;
constexpr int kMsgDiskFull = 20018;

// The JRE choice dialog (104) and the open-file dialog of the manual choice.
constexpr int kMsgLocateTitle = 20004;
constexpr int kMsgChoiceWithDownload = 20005;  // "%S": the bitness
constexpr int kMsgChoiceWithoutDownload = 20006;
constexpr int kMsgDownloadButton = 20010;
constexpr int kMsgLocateButton = 20011;
constexpr int kMsgFoundVersionLabel = 20015;  // before the version of a runtime found but refused
constexpr int kMsgMinVersionLabel = 20019;
constexpr int kMsgMaxVersionLabel = 20020;
