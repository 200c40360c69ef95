// Plays one file through the media engine as the panel does, so the end-to-end tests can hear
// and see the playback from outside: the sound sink, the video window's pixels, the trace.
// Usage: media_probe FILE [volume=V] [seek=AFTER_MS:TO_MS] [maximize=AFTER_MS] [resize=AFTER_MS:WxH]
//                    [fullscreen] [pos=X,Y] [stop=AFTER_MS] [limit=MS]
// Exit code 0 when the playback ended by itself (or by stop=), 1 when the open failed, 2 for a
// bad command line, 3 when it was still playing at the limit (default 60 s).
#include <windows.h>
#include <objbase.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "player/media_engine_win32.h"
#include "settings/settings.h"

namespace {

struct Options {
  const char* path = nullptr;
  float volume = 1.0f;
  long seekAfterMs = -1;
  long seekToMs = 0;
  long maximizeAfterMs = -1;
  long resizeAfterMs = -1;
  int resizeWidth = 0;
  int resizeHeight = 0;
  long stopAfterMs = -1;
  long limitMs = 60000;
  bool fullScreen = false;
  int posX = 40;
  int posY = 40;
};

// Milliseconds since 1970 on the wall clock, which Wine shares with the host: the tests compare
// it with when the sound reaches the sink.
long long WallMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>((t - 116444736000000000ULL) / 10000ULL);
}

bool StartsWith(const char* text, const char* prefix, const char** rest) {
  const size_t n = strlen(prefix);
  if (strncmp(text, prefix, n) != 0) return false;
  *rest = text + n;
  return true;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  if (argc < 2) return false;
  o->path = argv[1];
  for (int i = 2; i < argc; ++i) {
    const char* v = nullptr;
    char* end = nullptr;
    if (StartsWith(argv[i], "volume=", &v)) {
      o->volume = strtof(v, &end);
    } else if (StartsWith(argv[i], "seek=", &v)) {
      o->seekAfterMs = strtol(v, &end, 10);
      if (*end != ':') return false;
      o->seekToMs = strtol(end + 1, &end, 10);
    } else if (StartsWith(argv[i], "maximize=", &v)) {
      o->maximizeAfterMs = strtol(v, &end, 10);
    } else if (StartsWith(argv[i], "resize=", &v)) {
      o->resizeAfterMs = strtol(v, &end, 10);
      if (*end != ':') return false;
      o->resizeWidth = static_cast<int>(strtol(end + 1, &end, 10));
      if (*end != 'x') return false;
      o->resizeHeight = static_cast<int>(strtol(end + 1, &end, 10));
    } else if (StartsWith(argv[i], "stop=", &v)) {
      o->stopAfterMs = strtol(v, &end, 10);
    } else if (StartsWith(argv[i], "limit=", &v)) {
      o->limitMs = strtol(v, &end, 10);
    } else if (StartsWith(argv[i], "pos=", &v)) {
      o->posX = static_cast<int>(strtol(v, &end, 10));
      if (*end != ',') return false;
      o->posY = static_cast<int>(strtol(end + 1, &end, 10));
    } else if (strcmp(argv[i], "fullscreen") == 0) {
      o->fullScreen = true;
      continue;
    } else {
      return false;
    }
    if (end == v || *end != '\0') return false;
  }
  return true;
}

// Every line goes to the standard output and the trace, so a test can read either.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Report(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  printf("%s\n", line);
  fflush(stdout);
  TraceEvent("%s", line);
}

const char* RouteName(OpenedBy opener) {
  switch (opener) {
    case OpenedBy::kAsfReader:
      return "reader";
    case OpenedBy::kRenderFile:
      return "renderfile";
    case OpenedBy::kNothing:
      break;
  }
  return "none";
}

void ReportVideoWindow(const char* when, HWND window) {
  RECT client;
  POINT origin = {0, 0};
  if (window == nullptr || !GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return;
  // Where the engine put the picture inside the client area, as the graph reads it back.
  long left = 0;
  long top = 0;
  long width = 0;
  long height = 0;
  {
    std::lock_guard<std::mutex> guard(PanelPlayer.Lock);
    if (PanelPlayer.VideoWin != nullptr) PanelPlayer.VideoWin->GetWindowPosition(&left, &top, &width, &height);
  }
  Report("probe video %s client=%ld,%ld,%ld,%ld zoomed=%d picture=%ld,%ld,%ld,%ld", when, origin.x, origin.y,
         origin.x + client.right, origin.y + client.bottom, IsZoomed(window) ? 1 : 0, left, top, width, height);
}

// Answers messages for up to `ms`, returning early when `thread` (may be null) ends. It sleeps
// between messages, so the probe itself adds next to nothing to the CPU time measured.
void Pump(DWORD ms, HANDLE thread = nullptr) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return;
    const DWORD count = thread != nullptr ? 1 : 0;
    if (MsgWaitForMultipleObjects(count, &thread, FALSE, ms - spent, QS_ALLINPUT) == WAIT_OBJECT_0 &&
        count == 1) {
      return;
    }
  }
}

// Milliseconds from `elapsed` to the next timed action of the options, at most 100.
long NextActionIn(const Options& o, long elapsed, bool seeked, bool maximized, bool resized, bool stopped) {
  long wait = 100;
  const long at[] = {seeked ? -1 : o.seekAfterMs, maximized ? -1 : o.maximizeAfterMs,
                     resized ? -1 : o.resizeAfterMs, stopped ? -1 : o.stopAfterMs, o.limitMs};
  for (long t : at) {
    if (t >= 0 && t - elapsed < wait) wait = t - elapsed;
  }
  return wait < 1 ? 1 : wait;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fprintf(stderr, "usage: media_probe FILE [volume=V] [seek=AFTER_MS:TO_MS] [maximize=AFTER_MS] "
                    "[resize=AFTER_MS:WxH] [fullscreen] [pos=X,Y] [stop=AFTER_MS] [limit=MS]\n");
    return 2;
  }
  InitTestHooks();
  AppInstance = GetModuleHandleA(nullptr);
  MasterVol = options.volume;
  FullScreenFlag = options.fullScreen ? 1 : 0;
  MoviePosX = options.posX;
  MoviePosY = options.posY;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  MediaPlayer* player = &PanelPlayer;
  CurrentPlayer = player;

  Report("probe open-call wall=%lld", WallMs());
  const DWORD opening = GetTickCount();
  const bool opened = OpenAndPlay(player, options.path);
  const DWORD started = GetTickCount();
  Report("probe opened ok=%d route=%s hr=0x%08lx open_ms=%lu duration_ms=%lld wall=%lld", opened ? 1 : 0,
         RouteName(player->Opener), static_cast<unsigned long>(player->Hr),
         static_cast<unsigned long>(started - opening), GetDurationMs(), WallMs());
  if (!opened) {
    CoUninitialize();
    return 1;
  }
  HWND window = player->VideoWindow;
  Report("probe aspect=%ld:%ld window=%d", static_cast<long>(player->AspectX),
         static_cast<long>(player->AspectY), window != nullptr ? 1 : 0);
  ReportVideoWindow("shown", window);

  int code = 0;
  bool seeked = false;
  bool maximized = false;
  bool resized = false;
  bool stopped = false;
  for (;;) {
    Pump(static_cast<DWORD>(NextActionIn(options, static_cast<long>(GetTickCount() - started), seeked,
                                         maximized, resized, stopped)),
         player->ThreadHandle);
    if (player->Playing.load() == 0 && player->ThreadAlive.load() == 0) break;
    const long elapsed = static_cast<long>(GetTickCount() - started);
    if (!seeked && options.seekAfterMs >= 0 && elapsed >= options.seekAfterMs) {
      seeked = true;
      const int64_t before = GetPositionMs(player);
      SeekMs(options.seekToMs);
      Report("probe seek at=%lld to=%ld hr=0x%08lx after=%lld", static_cast<long long>(before),
             options.seekToMs, static_cast<unsigned long>(player->Hr),
             static_cast<long long>(GetPositionMs(player)));
    }
    if (!maximized && options.maximizeAfterMs >= 0 && elapsed >= options.maximizeAfterMs) {
      maximized = true;
      if (player->VideoWindow != nullptr) {
        ShowWindow(player->VideoWindow, SW_MAXIMIZE);
        Pump(50);
        ReportVideoWindow("maximized", player->VideoWindow);
      }
    }
    if (!resized && options.resizeAfterMs >= 0 && elapsed >= options.resizeAfterMs) {
      resized = true;
      if (player->VideoWindow != nullptr) {
        SetWindowPos(player->VideoWindow, nullptr, 0, 0, options.resizeWidth, options.resizeHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump(50);
        ReportVideoWindow("resized", player->VideoWindow);
      }
    }
    if (!stopped && options.stopAfterMs >= 0 && elapsed >= options.stopAfterMs) {
      stopped = true;
      Report("probe stop clean=%d", StopPlayback(player) ? 1 : 0);
    }
    if (elapsed >= options.limitMs) {
      Report("probe limit reached");
      StopPlayback(player);
      code = 3;
      break;
    }
  }
  const long playedMs = static_cast<long>(GetTickCount() - started);
  WaitPlayerIdle(player, kStopWaitMs);
  // The playback thread closes the window through a posted message: let it arrive.
  for (int i = 0; i < 100 && window != nullptr && IsWindow(window); ++i) Pump(10);
  Report("probe ended event=%ld played_ms=%ld window_left=%d full_screen=%d", static_cast<long>(player->EventCode),
         playedMs, window != nullptr && IsWindow(window) ? 1 : 0, static_cast<int>(FullScreenFlag));
  if (code == 0 && !stopped && player->EventCode != 1) code = 4;
  CoUninitialize();
  return code;
}
