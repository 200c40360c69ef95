// DirectShow playback: the two ways of opening a file, the playback thread that watches for the
// end and releases the graph, and the calls the panel and the alarms make on a player.
#include "player/media_engine_win32.h"

#include <shlwapi.h>

#include <cstring>
#include <mutex>

#include "base/paths_win32.h"
#include "base/test_hooks_win32.h"
#include "base/wait_win32.h"
#include "player/media_rules.h"
#include "player/video_window_win32.h"
#include "settings/settings.h"

MediaPlayer PanelPlayer;
MediaPlayer TestPlayer;
MediaPlayer* CurrentPlayer = nullptr;

// The interfaces of one graph.
struct GraphRefs {
  IGraphBuilder* graph;
  IMediaEvent* events;
  IMediaControl* control;
  IBasicAudio* audio;
  IMediaSeeking* seeking;
  IVideoWindow* videoWin;
};

// The graph of one playback, owned by its playback thread from the moment it runs. The player's
// interface fields point at the same objects for the opener's calls; the thread empties them
// under the player's lock before it lets go of the objects.
struct PlaybackJob {
  MediaPlayer* owner;
  bool detached;  // guarded by owner->Lock: the player gave this thread up
  // Guarded by owner->Lock: the video window of a given-up playback, kept (hidden) while its
  // picture is still a child of it, and closed by this thread once the graph is released.
  HWND keptWindow;
  GraphRefs refs;
  std::atomic<uint8_t> stopRequested;
};

namespace {

std::atomic<uint32_t> threadsRunning{0};

// Under Wine every graph of the process makes its filters, and their video windows, on one
// shared platform thread, behind one platform lock held for as long as a filter takes to make.
// A graph built on one thread while another thread takes a video window off its owner (the
// release of a playback that ended) can leave both hung for good, and so can two graphs built
// at once (two alarms of one minute, an alarm and the panel). So graphs are built and released
// one at a time. Recursive: a sent message dispatched while this thread waits for its graph to
// run may open another file on the same thread.
std::recursive_mutex graphLock;
// At most what one open may take (a URL, or a wedged reader and then RenderFile) and some: after
// that the waiter goes ahead alone rather than wait on.
constexpr DWORD kLongestOpenMs =
    kUrlRunWaitMs > 2 * kLocalRunWaitMs ? kUrlRunWaitMs : 2 * kLocalRunWaitMs;
constexpr DWORD kGraphLockWaitMs = kLongestOpenMs + kLocalRunWaitMs;

bool TryGraphLock(void*) { return graphLock.try_lock(); }

// Holds the graph lock for a scope, answering sent messages while it waits; when the lock
// stayed taken for kGraphLockWaitMs the scope goes on without it.
class GraphLockHold {
 public:
  GraphLockHold(const char* what, const char* path)
      : locked_(WaitDispatchingSent(TryGraphLock, nullptr, nullptr, kGraphLockWaitMs)) {
    if (!locked_) TraceEvent("media %s goes ahead without the graph lock %s", what, path);
  }
  ~GraphLockHold() {
    if (locked_) graphLock.unlock();
  }
  GraphLockHold(const GraphLockHold&) = delete;
  GraphLockHold& operator=(const GraphLockHold&) = delete;

 private:
  const bool locked_;
};

// A graph that was told to run but never got there.
constexpr HRESULT kNeverRan = VFW_E_WRONG_STATE;

// End-of-stream events the thread stops at: EC_COMPLETE, EC_USERABORT, EC_ERRORABORT.
bool IsEndEvent(long code) { return code == 1 || code == 2 || code == 3; }

// Empties the player's interface fields (caller holds the lock) and hands back what they held.
GraphRefs TakeRefs(MediaPlayer* player) {
  GraphRefs refs = {player->Graph,   player->Events,  player->Control,
                    player->Audio,   player->Seeking, player->VideoWin};
  player->Graph = nullptr;
  player->Events = nullptr;
  player->Control = nullptr;
  player->Audio = nullptr;
  player->Seeking = nullptr;
  player->VideoWin = nullptr;
  return refs;
}

template <typename T>
void ReleaseAndNull(T** p) {
  if (*p != nullptr) {
    (*p)->Release();
    *p = nullptr;
  }
}

// Stops the graph, detaches its picture from our window (so the renderer never draws into or
// sends to a window that is gone) and releases everything, in the order the graph was built
// backwards. Returns the result of the stop.
HRESULT StopAndRelease(GraphRefs* refs) {
  HRESULT hr = S_OK;
  if (refs->control != nullptr) hr = refs->control->Stop();
  if (refs->videoWin != nullptr) {
    refs->videoWin->put_Visible(OAFALSE);
    refs->videoWin->put_MessageDrain(0);
    refs->videoWin->put_Owner(0);
  }
  ReleaseAndNull(&refs->videoWin);
  ReleaseAndNull(&refs->seeking);
  ReleaseAndNull(&refs->audio);
  ReleaseAndNull(&refs->events);
  ReleaseAndNull(&refs->control);
  ReleaseAndNull(&refs->graph);
  return hr;
}

void ClearPlayback(MediaPlayer* player) {
  player->Path[0] = '\0';
  player->Caption[0] = '\0';
}

DWORD WINAPI PlaybackThread(void* parameter) {
  PlaybackJob* job = static_cast<PlaybackJob*>(parameter);
  MediaPlayer* const player = job->owner;
  // The graph's objects are free-threaded; this thread joins the multithreaded apartment to
  // stop and release them, and balances it itself.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  long code = 0;
  bool ended = false;
  while (job->stopRequested.load() == 0) {
    if (job->refs.events->WaitForCompletion(0, &code) == S_OK && IsEndEvent(code)) {
      ended = true;
      break;
    }
    Sleep(10);
  }
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    if (!job->detached) {
      player->Playing = 0;
      player->EventCode = code;
    }
  }
  // A stream that ended by itself gets a moment to let its last samples sound out.
  if (ended) Sleep(100);
#if MASCOT_TEST_HOOKS
  if (const uint32_t stall = TestStallReleaseMs.load()) Sleep(stall);
#endif

  {
    std::lock_guard<std::mutex> guard(player->Lock);
    if (!job->detached) TakeRefs(player);
  }
  HRESULT stopped;
  {
    GraphLockHold hold("release", "");
    stopped = StopAndRelease(&job->refs);
  }

  HWND window = nullptr;
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    if (!job->detached) {
      player->Hr = stopped;
      window = player->VideoWindow;
      ClearPlayback(player);
      player->Job = nullptr;
      player->ThreadAlive = 0;
    } else {
      window = job->keptWindow;
    }
  }
  // Posted, not sent: the window's thread may be busy, and its WM_CLOSE only tidies up now.
  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  delete job;
  if (SUCCEEDED(com)) CoUninitialize();
  threadsRunning.fetch_sub(1);
  return 1;
}

bool HasJob(MediaPlayer* player) {
  std::lock_guard<std::mutex> guard(player->Lock);
  return player->Job != nullptr;
}

bool PlaybackFinished(void* context) {
  return static_cast<MediaPlayer*>(context)->ThreadAlive.load() == 0;
}

// Gives up a playback thread that did not finish in time: it keeps its graph and releases it
// whenever the platform returns, and the player is idle again at once. The thread also takes the
// video window, which it closes after the release. False when the thread had finished after all.
bool DetachPlayback(MediaPlayer* player, HWND window) {
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Job == nullptr) return false;
  TraceEvent("media detach %s", player->Path);
  player->Job->detached = true;
  player->Job->keptWindow = window;
  player->Job = nullptr;
  TakeRefs(player);
  ClearPlayback(player);
  player->Playing = 0;
  player->ThreadAlive = 0;
  return true;
}

void CloseThreadHandle(MediaPlayer* player) {
  if (player->ThreadHandle != nullptr) {
    CloseHandle(player->ThreadHandle);
    player->ThreadHandle = nullptr;
  }
}

bool OnThisThread(HWND window) {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// Closes a video window of this thread at once, or asks its own thread to.
void CloseVideoWindow(HWND window) {
  if (window == nullptr || !IsWindow(window)) return;
  if (OnThisThread(window)) {
    SendMessageA(window, WM_CLOSE, 0, 0);
  } else {
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
}

// Takes the window of a given-up playback off the screen without destroying it: the graph's
// picture is still its child, and the thread that holds the graph closes it after the release.
void HideVideoWindow(HWND window) {
  if (window == nullptr || !IsWindow(window)) return;
  if (OnThisThread(window)) {
    ShowWindow(window, SW_HIDE);
  } else {
    ShowWindowAsync(window, SW_HIDE);
  }
}

HRESULT CreateGraph(MediaPlayer* player) {
  player->Volume = MasterVol;
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    TakeRefs(player);
  }
  player->VideoWindow = nullptr;
  player->AspectX = 0;
  player->AspectY = 0;
  IGraphBuilder* graph = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IGraphBuilder, reinterpret_cast<void**>(&graph));
  player->Hr = hr;
  if (FAILED(hr)) return hr;
  std::lock_guard<std::mutex> guard(player->Lock);
  player->Graph = graph;
  struct Query {
    REFIID iid;
    void** out;
  } const queries[] = {
      {IID_IMediaControl, reinterpret_cast<void**>(&player->Control)},
      {IID_IMediaEvent, reinterpret_cast<void**>(&player->Events)},
      {IID_IBasicAudio, reinterpret_cast<void**>(&player->Audio)},
      {IID_IMediaSeeking, reinterpret_cast<void**>(&player->Seeking)},
  };
  for (const Query& q : queries) {
    hr = graph->QueryInterface(q.iid, q.out);
    player->Hr = hr;
    if (FAILED(hr)) return hr;
  }
  return hr;
}

bool GraphRunning(void* context) {
  IMediaControl* control = static_cast<IMediaControl*>(context);
  OAFilterState state = State_Stopped;
  return control->GetState(0, &state) == S_OK && state == State_Running;
}

HRESULT StartPlayback(MediaPlayer* player, const char* path) {
  player->AspectX = 0;
  player->AspectY = 0;
  SetupVideo(player, path);
  if (player->Audio != nullptr) SetVolume(player, player->Volume);
  HRESULT hr = player->Control->Run();
  player->Hr = hr;
  if (FAILED(hr)) return hr;
  // Some graphs never finish their change to running (files with picture and sound through the
  // reader, under Wine): they would sit silent forever, so they count as a failed open.
  if (!WaitDispatchingSent(GraphRunning, player->Control, nullptr,
                           RunWaitMsFor(PathIsURLA(path) != FALSE))) {
    TraceEvent("media not running %s", path);
    player->Hr = kNeverRan;
    return player->Hr;
  }
  PlaybackJob* job = new PlaybackJob();
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    job->owner = player;
    job->detached = false;
    job->keptWindow = nullptr;
    job->refs = {player->Graph, player->Events,  player->Control,
                 player->Audio, player->Seeking, player->VideoWin};
    job->stopRequested = 0;
    player->Job = job;
    player->Playing = 1;
    player->ThreadAlive = 1;
  }
  threadsRunning.fetch_add(1);
  HANDLE thread = CreateThread(nullptr, 0, PlaybackThread, job, 0, nullptr);
  if (thread == nullptr) {
    threadsRunning.fetch_sub(1);
    std::lock_guard<std::mutex> guard(player->Lock);
    player->Job = nullptr;
    player->Playing = 0;
    player->ThreadAlive = 0;
    delete job;
    player->Hr = HRESULT_FROM_WIN32(GetLastError());
    return player->Hr;
  }
  player->ThreadHandle = thread;
  ShowVideoWindow(player);
  return hr;
}

// Renders every output pin of the reader that is not connected yet. A reader with nothing to
// render (Wine's reader accepts a missing file or random bytes and offers no pins) fails.
HRESULT RenderReaderPins(IGraphBuilder* graph, IBaseFilter* filter) {
  IEnumPins* pins = nullptr;
  HRESULT hr = filter->EnumPins(&pins);
  if (FAILED(hr)) return hr;
  int rendered = 0;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    IPin* peer = nullptr;
    hr = pin->ConnectedTo(&peer);
    if (peer != nullptr) peer->Release();
    if (hr == VFW_E_NOT_CONNECTED) {
      PIN_DIRECTION direction;
      hr = pin->QueryDirection(&direction);
      if (SUCCEEDED(hr) && direction == PINDIR_OUTPUT) {
        hr = graph->Render(pin);
        if (SUCCEEDED(hr)) ++rendered;
      }
    }
    pin->Release();
    if (FAILED(hr)) break;
  }
  pins->Release();
  if (SUCCEEDED(hr) && rendered == 0) hr = VFW_E_CANNOT_RENDER;
  return hr;
}

// Copies the path, converts it for the platform and reads the tags: the start of both open
// paths. False when the path does not fit.
bool PreparePath(MediaPlayer* player, const char* path, wchar_t* widePath) {
  const size_t length = strnlen(path, sizeof player->Path);
  if (length >= sizeof player->Path) return false;
  memcpy(player->Path, path, length + 1);
  widePath[0] = L'\0';
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) == 0) {
    widePath[0] = L'\0';
    return false;
  }
  ReadTags(player, widePath);
  return true;
}

// Undoes a failed open on the opener's thread: the graph, and the window made for it.
bool FailOpen(MediaPlayer* player) {
  const HRESULT hr = player->Hr;
  HWND window = player->VideoWindow;
  ReleaseGraph(player);
  player->VideoWindow = nullptr;
  if (window != nullptr) DestroyVideoWindow(window);
  player->Hr = hr;
  return false;
}

bool PlayByRenderFile(MediaPlayer* player, const char* path) {
  wchar_t widePath[MAX_PATH];
  if (!PreparePath(player, path, widePath)) return false;
  if (FAILED(CreateGraph(player))) return FailOpen(player);
  player->Hr = player->Graph->RenderFile(widePath, nullptr);
  if (FAILED(player->Hr)) {
    TraceEvent("media render failed hr=%08lx %s", static_cast<unsigned long>(player->Hr), path);
    return FailOpen(player);
  }
  if (FAILED(StartPlayback(player, path))) return FailOpen(player);
  player->Opener = OpenedBy::kRenderFile;
  return true;
}

// What the reader made of a file. Under Wine the reader accepts files with picture and sound
// but its graph never reaches the running state; RenderFile then plays them.
enum class ReaderResult { kPlaying, kRefused, kWedged };

ReaderResult PlayThroughAsfReader(MediaPlayer* player, const char* path) {
  wchar_t widePath[MAX_PATH];
  if (!PreparePath(player, path, widePath)) return ReaderResult::kRefused;
  player->VideoWindow = nullptr;
  player->Playing = 0;
  if (FAILED(CreateGraph(player))) {
    FailOpen(player);
    return ReaderResult::kRefused;
  }
  IBaseFilter* reader = nullptr;
  IFileSourceFilter* source = nullptr;
  // The step that failed goes to the trace: a refused file is otherwise only "unplayable".
  const char* step = "create";
  HRESULT hr = CoCreateInstance(CLSID_WMAsfReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&reader));
  if (SUCCEEDED(hr)) hr = player->Graph->AddFilter(reader, L"WM ASF Reader");
  if (SUCCEEDED(hr)) {
    hr = reader->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&source));
  }
  if (SUCCEEDED(hr)) {
    step = "load";
    hr = source->Load(widePath, nullptr);
  }
  if (SUCCEEDED(hr)) {
    step = "render";
    hr = RenderReaderPins(player->Graph, reader);
  }
  player->Hr = hr;
  bool wedged = false;
  if (SUCCEEDED(hr)) {
    step = "run";
    hr = StartPlayback(player, path);
    wedged = hr == kNeverRan;
  }
  if (source != nullptr) source->Release();
  if (reader != nullptr) reader->Release();
  if (FAILED(hr)) {
    TraceEvent("media reader failed at %s hr=%08lx %s", step, static_cast<unsigned long>(hr), path);
    FailOpen(player);
    return wedged ? ReaderResult::kWedged : ReaderResult::kRefused;
  }
  player->Opener = OpenedBy::kAsfReader;
  return ReaderResult::kPlaying;
}

bool OpenBuilt(MediaPlayer* player, const char* path) {
  if (PathIsURLA(path)) {
    player->MediaKind = kMediaOther;
    return PlayThroughAsfReader(player, path) == ReaderResult::kPlaying;
  }
  PathParts parts;
  if (!SplitPath(path, &parts)) {
    player->Hr = E_INVALIDARG;
    return false;
  }
  player->MediaKind = MediaKindOf(parts.ext);
  ReaderResult read = ReaderResult::kRefused;
  switch (OpenRouteFor(player->MediaKind)) {
    case OpenRoute::kRenderFile:
      return PlayByRenderFile(player, path);
    case OpenRoute::kAsfReader:
      read = PlayThroughAsfReader(player, path);
      return read == ReaderResult::kPlaying ||
             (read == ReaderResult::kWedged && PlayByRenderFile(player, path));
    case OpenRoute::kReaderThenRenderFile:
      read = PlayThroughAsfReader(player, path);
      return read == ReaderResult::kPlaying || PlayByRenderFile(player, path);
  }
  return false;
}

}  // namespace

bool OpenAndPlay(MediaPlayer* player, const char* path) {
  if (HasJob(player)) StopPlayback(player);
  CloseThreadHandle(player);
  player->Opener = OpenedBy::kNothing;
  GraphLockHold hold("open", path);
  return OpenBuilt(player, path);
}

bool StopPlayback(MediaPlayer* player) {
  HWND window;
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    window = player->VideoWindow;
    player->Playing = 0;
    if (player->Job != nullptr) player->Job->stopRequested = 1;
  }
  bool clean = true;
  bool kept = false;
  if (player->ThreadAlive.load() != 0) {
    if (WaitDispatchingSent(PlaybackFinished, player, nullptr, kStopWaitMs)) {
      clean = SUCCEEDED(player->Hr);
    } else {
      kept = DetachPlayback(player, window);
      clean = false;
    }
    CloseThreadHandle(player);
  }
  if (window != nullptr) {
    {
      std::lock_guard<std::mutex> guard(player->Lock);
      if (player->VideoWindow == window) player->VideoWindow = nullptr;
    }
    if (kept) {
      HideVideoWindow(window);
    } else {
      CloseVideoWindow(window);
    }
  }
  return clean;
}

bool WaitPlayerIdle(MediaPlayer* player, DWORD timeoutMs) {
  if (!WaitDispatchingSent(PlaybackFinished, player, nullptr, timeoutMs)) return false;
  CloseThreadHandle(player);
  return true;
}

int64_t GetPositionMs(MediaPlayer* player) {
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Seeking == nullptr) return 0;
  LONGLONG current = 0;
  LONGLONG stop = 0;
  player->Hr = player->Seeking->GetPositions(&current, &stop);
  return FAILED(player->Hr) ? 0 : current / 10000;
}

int64_t GetDurationMs() {
  MediaPlayer* player = CurrentPlayer;
  if (player == nullptr) return 0;
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Seeking == nullptr) return 0;
  LONGLONG current = 0;
  LONGLONG stop = 0;
  player->Hr = player->Seeking->GetPositions(&current, &stop);
  return FAILED(player->Hr) ? 0 : stop / 10000;
}

void SeekMs(int64_t ms) {
  MediaPlayer* player = CurrentPlayer;
  if (player == nullptr) return;
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Seeking == nullptr) return;
  LONGLONG position = ms * 10000;
  // Absolute positioning without AM_SEEKING_NoFlush: with it, Wine's SetPositions never returns
  // on a running graph.
  player->Hr = player->Seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                             AM_SEEKING_NoPositioning);
}

void SetVolume(MediaPlayer* player, float volume) {
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Audio == nullptr) return;
  float stored = 0.0f;
  const int32_t level = VolumeToHundredthsDb(volume, &stored);
  player->Volume = stored;
  // Media without sound answer E_NOTIMPL; they play on regardless.
  player->Hr = player->Audio->put_Volume(level);
}

bool PausePlayback(MediaPlayer* player) {
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Control == nullptr) return false;
  player->Hr = player->Control->Pause();
  return SUCCEEDED(player->Hr);
}

bool ResumePlayback(MediaPlayer* player) {
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->Control == nullptr) return false;
  player->Hr = player->Control->Run();
  return SUCCEEDED(player->Hr);
}

void ReleaseGraph(MediaPlayer* player) {
  if (HasJob(player)) {
    StopPlayback(player);
    return;
  }
  if (player->ReleaseBusy.exchange(1) != 0) return;
  GraphRefs refs;
  {
    std::lock_guard<std::mutex> guard(player->Lock);
    refs = TakeRefs(player);
  }
  if (refs.graph != nullptr) {
    {
      GraphLockHold hold("release", player->Path);
      player->Hr = StopAndRelease(&refs);
    }
    ClearPlayback(player);
  }
  player->ReleaseBusy = 0;
}

uint32_t PlaybackThreadsRunning() { return threadsRunning.load(); }

#if MASCOT_TEST_HOOKS
std::atomic<uint32_t> TestStallReleaseMs{0};
#endif
