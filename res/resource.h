// Resource identifiers of Varnel.exe, shared by the resource script and the C++ code.
// Plain #defines only: windres and rc.exe both read this file.
#ifndef VARNEL_RES_RESOURCE_H
#define VARNEL_RES_RESOURCE_H

// Dialog templates and the About box's system-menu text.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_CONVERTER 102

// Icon group and background picture.
#define IDR_MAINFRAME 128
#define IDB_BACKGROUND 129

// Controls of the main dialog.
#define IDC_INFO 1000
#define IDC_LOAD 1001
#define IDC_CONVERT 1002
#define IDC_SAVEAS 1003

// System-menu command that opens the About box (low four bits clear, as system commands need).
#define IDM_ABOUTBOX 0x0010

#endif
