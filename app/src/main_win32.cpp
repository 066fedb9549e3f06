// Varnel.exe's entry point: one application object, run until its dialog closes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "varnel/app/converter_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CConverterApp app;
  app.InitInstance();  // FALSE: the dialog has closed, the program ends
  return 0;
}
