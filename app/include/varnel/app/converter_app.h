// The application object: runs the main dialog and ends when it closes.
#pragma once

#include "varnel/window/dialog.h"

class CConverterApp : public varnel::window::WinApp {
 public:
  CConverterApp() = default;
  ~CConverterApp() override;

  // Runs the main dialog modally; returns false, so the program ends with it.
  bool InitInstance() override;
};
