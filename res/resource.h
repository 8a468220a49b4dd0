// Resource ids of vantor.exe, grouped by kind. Used by the .rc script and the code.
#pragma once

// Strings
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109

// Icon
#define IDI_VANTOR 129

// Menu and accelerators
#define IDM_MAIN 109
#define IDA_MAIN 109

// Menu commands
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_NEW 32771
#define IDM_LEVEL 32772
#define IDM_SIZE 32773
#define IDM_TYPE 32775
#define IDM_RESET 32783

// Dialogs
#define IDD_ABOUT 103
#define IDD_TYPE 131
#define IDD_LEVEL 133
#define IDD_SIZE 135

// Type dialog controls
#define IDC_TYPE_GROUP 1003
#define IDC_HUMAN_VS_COMPUTER 1020
#define IDC_HUMAN_VS_HUMAN 1002
#define IDC_COMPUTER_VS_COMPUTER 1001

// Level dialog controls
#define IDC_LEVEL1 1020
#define IDC_LEVEL2 1002
#define IDC_LEVEL3 1001
#define IDC_LEVEL4 1031

// Size dialog controls
#define IDC_SIZE_GROUP 1011
#define IDC_SIZE6 1008
#define IDC_SIZE8 1009
#define IDC_SIZE10 1010
#define IDC_SIZE12 1012
#define IDC_SIZE14 1032
#define IDC_SIZE16 1033
#define IDC_SIZE18 1035
#define IDC_SIZE20 1036

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
