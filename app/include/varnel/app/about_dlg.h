// The About box: icon, version line, credit and OK, all from its template.
#pragma once

#include "varnel/window/dialog.h"

class CAboutDlg : public varnel::window::Dialog {
 public:
  CAboutDlg();
};
