#include "varnel/app/converter_app.h"

#include "varnel/app/converter_dlg.h"

CConverterApp::~CConverterApp() = default;

bool CConverterApp::InitInstance() {
  CConverterDlg dlg;
  SetMainWindow(&dlg);
  dlg.DoModal();
  SetMainWindow(nullptr);
  return false;
}
