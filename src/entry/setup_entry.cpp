// The rundll32-style entry: runs install actions without a device.
#include "entry/install_context.h"

extern "C" void CALLBACK SetupEntryPoint(HWND window, HINSTANCE hinst, LPSTR lpszCmdLine,
                                         int show) {
  (void)window;
  (void)lpszCmdLine;
  (void)show;
  InstallContext *context = FindOrCreateContext(hinst);
  if (context == nullptr) return;
  RemoveContext(context);
}
