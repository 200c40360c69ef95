// Process entry of the clock.
#include "app/app_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return RunClock(instance, showCommand);
}
