// Plays one file or URL per MediaPlayer through a DirectShow filter graph, reads its Windows
// Media tags, and watches for the end of the stream on a playback thread of its own.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdint>
#include <mutex>

struct PlaybackJob;

// Which way the playing graph was built.
enum class OpenedBy : uint8_t { kNothing, kAsfReader, kRenderFile };

// One playback. A player outlives its playback threads (the program's are static). The thread
// that opens a player (the opener) also seeks, pauses, stops and sets
// the volume, and owns the video window; the playback thread only polls for the end and then
// stops and releases the graph. The interface fields are written under `Lock` (the opener's
// calls read them under it too), so a release on the playback thread never pulls an interface
// from under a call of the opener.
struct MediaPlayer {
  HRESULT Hr = {};
  HANDLE ThreadHandle = {};
  IGraphBuilder* Graph = {};
  IMediaEvent* Events = {};
  IMediaControl* Control = {};
  IBasicAudio* Audio = {};
  IMediaSeeking* Seeking = {};
  IVideoWindow* VideoWin = {};
  int32_t AspectX = {};
  int32_t AspectY = {};
  int32_t EventCode = {};
  int32_t MediaKind = -1;
  char Caption[260] = {};
  HWND VideoWindow = {};
  char Path[260] = {};
  std::atomic<uint8_t> Playing{0};
  std::atomic<uint8_t> ThreadAlive{0};
  float Volume = 1.0f;
  char TagTitle[1024] = {};
  char TagAuthor[1024] = {};
  char TagDescription[1024] = {};
  char TagRating[1024] = {};
  char TagCopyright[1024] = {};
  // Taken with an exchange, so one release of this player runs at a time.
  std::atomic<uint8_t> ReleaseBusy{0};
  std::mutex Lock;
  // The playback thread's hold on this player; null when none runs.
  PlaybackJob* Job = {};
  OpenedBy Opener = OpenedBy::kNothing;
};

extern MediaPlayer PanelPlayer;
extern MediaPlayer TestPlayer;
// The panel's player (set when the panel opens): GetDurationMs and SeekMs act on it.
extern MediaPlayer* CurrentPlayer;

// How long a stop waits for the playback thread to stop and release the graph before it gives
// the thread up. How long an open waits for its graph to run is RunWaitMsFor (media_rules.h).
constexpr DWORD kStopWaitMs = 3000;

// Starts playing `path` (a file in the ANSI code page, or a URL; at most 259 bytes). The calling
// thread must have COM initialised (apartment-threaded) for as long as it uses the player. Any
// failure leaves the player idle and returns false.
bool OpenAndPlay(MediaPlayer* player, const char* path);

// Asks the playback thread to stop and release the graph, and waits (dispatching messages sent
// to this thread's windows) until it has, at most kStopWaitMs. A thread that does not finish in
// time is given up: it releases its graph whenever the platform lets it, and the player is left
// idle at once. Closes the video window; the window of a thread given up is hidden instead and
// closed by that thread after its release, since the graph's picture is a child of it until
// then. True when nothing played or the graph stopped cleanly.
bool StopPlayback(MediaPlayer* player);

// Waits (dispatching sent messages) until the player's playback thread has finished, at most
// `timeoutMs`; true when it has.
bool WaitPlayerIdle(MediaPlayer* player, DWORD timeoutMs);

int64_t GetPositionMs(MediaPlayer* player);
int64_t GetDurationMs();
void SeekMs(int64_t ms);
void SetVolume(MediaPlayer* player, float volume);
// Pause and resume for the panel; nothing when the player has no graph.
bool PausePlayback(MediaPlayer* player);
bool ResumePlayback(MediaPlayer* player);
// Stops and releases the graph on the calling thread. Only for a player whose playback thread
// is not running (a failed open); a running playback is ended with StopPlayback.
void ReleaseGraph(MediaPlayer* player);

// Reads the five tags of a file into the player's tag fields, through the platform's metadata
// editor (empty when it is missing or cannot open the file).
void ReadTags(MediaPlayer* player, const wchar_t* widePath);

// The metadata editor's factory; tests substitute a double of their own.
using CreateEditorFunction = HRESULT(STDMETHODCALLTYPE*)(IUnknown** editor);
void SetMetadataEditorFactory(CreateEditorFunction factory);

// Playback threads still running, including any that were given up.
uint32_t PlaybackThreadsRunning();

#if MASCOT_TEST_HOOKS
// Holds every playback thread this long before it stops its graph, as a graph that never lets
// go would; 0 (the default) holds nothing.
extern std::atomic<uint32_t> TestStallReleaseMs;
#endif
