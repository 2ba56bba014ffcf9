// LauncherState: the process-wide record of launch modes, switches and paths.
// Written during start-up on the entry thread (and by the work routine for the
// fields it documents), read everywhere else. The user's "-temp" directory is
// kept by the temp-directory chooser (launcher/base/temp_dir.h), which the log
// needs before this record is filled.
#pragma once
#include <windows.h>

#include "launcher/base/limits.h"

struct LauncherState {
    // Defined out of line: with the defaults set at run time the record stays
    // in zero-filled memory instead of taking 24 KiB of the executable file.
    LauncherState();

    HINSTANCE instance = nullptr;
    bool langRestart = false;                  // "__tlx_lang_restart": reuse an earlier extraction
    bool extractAndExit = false;               // "__tlx_extract_and_exit"
    bool quiet = false;                        // no progress dialog, no questions
    bool messageBoxes = true;                  // fatal errors in a box (true) or on stderr
    bool integrityCheck = false;               // verify the payload CRC before extracting
    bool manualJre = false;                    // "-manual": skip included JRE and search
    bool keepLog = false;                      // keep the launcher log at exit
    char extractionDir[kPathCapacity] = {};    // empty: none
    char reservationFile[kPathCapacity] = {};  // the empty temp file whose name the directory extends
    HWND messageOwner = nullptr;               // owner of error boxes (the progress dialog)
    wchar_t workingDirectory[kPathCapacity] =
        {};                      // key 146, where the application runs; empty: the extraction directory
    bool runtimeSplash = false;  // the work routine shows the runtime's splash library
    char productName8[16] = "tolvanrix";
    wchar_t productName[16] = L"tolvanrix";

    // Written by the work routine.
    bool runtimeFilesMissing = false;  // language restart found no runtime files
    bool jreIncluded = false;          // a JRE archive is to be prepared
    int jreProgressShare = 100;        // progress position after JRE preparation
};

extern LauncherState g_launcher;
