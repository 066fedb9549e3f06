#include "varnel/app/converter_app.h"

#include "varnel/app/converter_dlg.h"

CConverterApp::~CConverterApp() = default;

bool CConverterApp::InitInstance() {
  CConverterDlg dlg;
  dlg.DoModal();
  return false;
}
