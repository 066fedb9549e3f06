#include "varnel/app/converter_app.h"

#include "varnel/app/converter_dlg.h"

BOOL CConverterApp::InitInstance() {
  CConverterDlg dlg;
  // "Open with" starts the program with the file's path.
  if (const auto arguments = varnel::window::CommandLineArguments(); !arguments.empty())
    dlg.OpenAtStart(arguments.front());
  dlg.DoModal();
  return FALSE;
}
