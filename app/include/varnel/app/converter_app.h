// The application object: runs the main dialog and ends when it closes.
#pragma once

#include <windows.h>

class CConverterApp {
 public:
  // Runs the main dialog modally; returns FALSE, so the program ends with it.
  BOOL InitInstance();
};
