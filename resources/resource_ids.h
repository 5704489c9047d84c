#pragma once
// Resource ids shared by the resource script and the code (the script's preprocessor reads it).

#define IDI_APPLICATION_ICON 101

// The exFAT format dialog and its controls.
#define IDD_FORMAT_DIALOG 301
#define IDC_FORMAT_HEADING 1200
#define IDC_FORMAT_SUMMARY 1201
#define IDC_FORMAT_WARNING 1202
#define IDC_FORMAT_CLUSTER 1203
#define IDC_FORMAT_NAME_RULE 1204
#define IDC_FORMAT_CONFIRM 1205
#define IDC_FORMAT_NAME 1206
