// Random edits and plays over play lists of 0-50 entries, as the panel and the list window make
// them: deleting and moving rows, NEXT, BACK, track ends, shuffle toggles, drops that replace or
// append, rows chosen to play. After each step the order is a permutation, the current file is
// the one it should be, the star is on the playing file or on no row, a play never reaches a
// slot past the end, and the first step forward after the current row was deleted plays the file
// that took its place.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "player/panel_rules.h"
#include "player/playlist.h"
#include "player/playlist_edit.h"
#include "settings/settings.h"

namespace {

void CheckAt(bool condition, int line) {
  if (condition) return;
  fprintf(stderr, "check failed on line %d\n", line);
  abort();
}
#define Check(condition) CheckAt((condition), __LINE__)

constexpr int kMaxFuzzEntries = 50;

// Input bytes, zero once used up.
struct Bytes {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t Next() { return at < size ? data[at++] : 0; }
  bool Done() const { return at >= size; }
};

int nextName = 0;
std::string playing;  // the file the model's player plays, "" for none
// The file that took the place of a deleted current entry, until something plays.
std::string follower;

bool AppendFresh() {
  char path[32];
  snprintf(path, sizeof path, "C:\\f\\%d.mp3", nextName++);
  return AppendEntry(path);
}

std::string Current() {
  const int e = EntryToPlay();
  Check(e >= -1 && e < EntryCount);
  return e < 0 ? std::string() : std::string(PlayPaths[e]);
}

// PLAYER_PLAY: plays the entry at PlayNo, or nothing when PlayNo is outside the list.
void Play() {
  StepOntoCurrent = false;
  follower.clear();
  const int e = EntryToPlay();
  if (e < 0) return;
  Check(e < EntryCount && PlayPaths[e][0] != '\0');
  NowPlaying = e;
  playing = PlayPaths[e];
}

// A step forward that plays: onto the follower of a deleted current entry when there is one.
void PlayStepped() {
  if (!follower.empty()) Check(Current() == follower);
  Play();
}

void CheckState() {
  Check(EntryCount >= 0 && EntryCount <= kMaxFuzzEntries);
  std::vector<bool> seen(static_cast<size_t>(EntryCount), false);
  for (int i = 0; i < EntryCount; ++i) {
    const int e = PlayOrder[i];
    Check(e >= 0 && e < EntryCount && !seen[static_cast<size_t>(e)]);
    seen[static_cast<size_t>(e)] = true;
    if (!ShuffFlag) Check(e == i);
  }
  Check(NowPlaying == -1 ||
        (NowPlaying >= 0 && NowPlaying < EntryCount && playing == PlayPaths[NowPlaying]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in{data, size};
  ShuffFlag = false;
  RepFlag = false;
  EntryCount = 0;
  PlayNo = 0;
  NowPlaying = -1;
  StepOntoCurrent = false;
  playing.clear();
  follower.clear();
  nextName = 0;
  srand(static_cast<unsigned>(size));
  int failedInRow = 0;
  for (int step = 0; step < 200 && !in.Done(); ++step) {
    const uint8_t op = in.Next();
    const std::string before = Current();
    const int room = kMaxFuzzEntries - EntryCount;
    switch (op % 9) {
      case 0: {  // Delete on a row (or on none)
        const int row = in.Next() % (EntryCount + 1);
        const bool wasCurrent = row < EntryCount && before == PlayPaths[row];
        const bool starred = row < EntryCount && row == NowPlaying;
        const std::string following = row + 1 < EntryCount ? PlayPaths[row + 1] : "";
        const bool inList = row < EntryCount;
        const bool deleted = DeleteEntryAt(row);
        Check(deleted == inList);
        if (!deleted) {
          Check(Current() == before);
        } else if (wasCurrent) {
          Check(Current() == following);
          follower = following;
        } else if (!before.empty()) {
          Check(Current() == before);
        }
        // The star goes with the row that held it, never onto the next file.
        if (deleted && starred) Check(NowPlaying == -1);
        break;
      }
      case 1: {  // a row dragged onto another
        const int from = in.Next() % (EntryCount + 1);
        const int to = in.Next() % (EntryCount + 1);
        const std::string moved = from < EntryCount ? PlayPaths[from] : "";
        const bool ok = MoveEntry(from, to);
        Check(ok == (from < EntryCount && to < EntryCount));
        if (ok) Check(moved == PlayPaths[to]);
        Check(Current() == before);
        break;
      }
      case 2:  // NEXT
        RepFlag = (in.Next() & 1) != 0;
        if (StepForward(RepFlag)) PlayStepped();
        break;
      case 3:  // BACK
        RepFlag = (in.Next() & 1) != 0;
        if (StepBack(&PlayNo, EntryCount, RepFlag)) Play();
        break;
      case 4: {  // the end of a track, which may fail to start the next one
        const bool failed = (in.Next() & 1) != 0;
        failedInRow = failed ? failedInRow + 1 : 0;
        switch (StepAtTrackEnd(RepFlag, failedInRow)) {
          case TrackEnd::kNext:
            PlayStepped();
            break;
          case TrackEnd::kWrap:
            Check(PlayNo == 0);
            // Seeded from the input rather than the clock, so that a run can be repeated.
            BuildOrderSeeded(in.Next());
            Play();
            break;
          case TrackEnd::kStop:
            failedInRow = 0;
            follower.clear();
            break;
        }
        break;
      }
      case 5: {  // SHUFFLE toggled: checking keeps the position, unchecking the file
        const int position = PlayNo;
        SetShuffle(!ShuffFlag);
        Check(ShuffFlag ? PlayNo == position : Current() == before);
        // Checking it puts another file at the position, and that one is current now.
        if (!follower.empty()) follower = Current();
        break;
      }
      case 6: {  // files dropped on the panel or the clock: a new list, played from the top
        const int count = in.Next() % (kMaxFuzzEntries + 1);
        EntryCount = 0;
        NowPlaying = -1;
        for (int i = 0; i < count; ++i) Check(AppendFresh());
        BuildOrderSeeded(in.Next());
        PlayNo = 0;
        Play();
        break;
      }
      case 7: {  // files dropped on the list window: appended, the current entry stays current
        const int count = room > 0 ? in.Next() % (room + 1) : 0;
        const bool wasEmpty = BeforeAppend();
        for (int i = 0; i < count; ++i) Check(AppendFresh());
        BuildOrderSeeded(in.Next());
        AfterAppend(wasEmpty);
        if (!wasEmpty && !before.empty()) Check(Current() == before);
        if (wasEmpty) Check(PlayNo == 0);
        break;
      }
      case 8: {  // a row double-clicked
        const int row = in.Next() % (EntryCount + 1);
        if (row < EntryCount) {
          PlayNo = OrderPositionOf(row);
          Play();
          Check(playing == PlayPaths[row]);
        }
        break;
      }
    }
    CheckState();
  }
  return 0;
}
