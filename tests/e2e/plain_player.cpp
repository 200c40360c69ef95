// The yardstick of scripts/measure-media.sh: the plainest DirectShow playback of a file, sharing
// nothing with the clock's media engine: RenderFile, Run, and a wait for the end of the stream.
// Prints the wall time (ms since 1970) of its open call, as media_probe does.
#include <windows.h>
#include <dshow.h>

#include <cstdio>

namespace {

long long WallMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>((t - 116444736000000000ULL) / 10000ULL);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: plain_player FILE\n");
    return 2;
  }
  wchar_t path[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH) == 0) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  printf("plain open-call wall=%lld\n", WallMs());
  IGraphBuilder* graph = nullptr;
  IMediaControl* control = nullptr;
  IMediaEvent* events = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph));
  if (SUCCEEDED(hr)) hr = graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  if (SUCCEEDED(hr)) hr = graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
  if (SUCCEEDED(hr)) hr = graph->RenderFile(path, nullptr);
  if (SUCCEEDED(hr)) hr = control->Run();
  printf("plain opened hr=0x%08lx wall=%lld\n", static_cast<unsigned long>(hr), WallMs());
  fflush(stdout);
  long code = 0;
  // A minute at most; messages are answered between the waits, as any windowed caller would.
  for (int i = 0; SUCCEEDED(hr) && i < 600; ++i) {
    if (events->WaitForCompletion(100, &code) == S_OK) break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  printf("plain ended event=%ld wall=%lld\n", code, WallMs());
  if (control != nullptr) control->Stop();
  if (events != nullptr) events->Release();
  if (control != nullptr) control->Release();
  if (graph != nullptr) graph->Release();
  CoUninitialize();
  return SUCCEEDED(hr) && code == EC_COMPLETE ? 0 : 1;
}
