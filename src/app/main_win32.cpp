// Process entry of the clock.
#include <windows.h>
#include <objbase.h>

#include "app/app_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // Media players are opened on this thread, and the file dialogs want an apartment too.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int code = RunClock(instance, showCommand);
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
