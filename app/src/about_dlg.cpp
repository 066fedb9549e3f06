#include "varnel/app/about_dlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX) {}
