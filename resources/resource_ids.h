// Resource and control identifiers shared by the resource script and the code.
#pragma once

#define IDI_LAUNCHER 1001

#define IDD_PROGRESS 103
#define IDD_JRE_CHOICE 104

#define IDC_PROGRESS_BAR 1001
#define IDC_STATUS_LINE 1002
#define IDC_MAIN_TEXT 1003
#define IDC_DOWNLOAD 1004
#define IDC_LOCATE 1005
