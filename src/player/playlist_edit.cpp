// Deleting, moving and appending entries while keeping the current entry and the star on their
// files.
#include "player/playlist_edit.h"

#include <cstring>

#include "player/playlist.h"
#include "settings/settings.h"

namespace {

bool IsPosition(int position) { return position >= 0 && position < EntryCount; }

// Takes a pending step onto the current entry; false when there is none.
bool TakeStepOntoCurrent() {
  const bool pending = StepOntoCurrent && IsPosition(PlayNo);
  StepOntoCurrent = false;
  return pending;
}

}  // namespace

int EntryToPlay() { return IsPosition(PlayNo) ? CurrentEntry() : -1; }

bool DeleteEntryAt(int row) {
  if (!IsPosition(row)) return false;
  // The current entry as an index, or one past the end when there is none.
  int current = IsPosition(PlayNo) ? CurrentEntry() : EntryCount;
  for (int i = row; i + 1 < EntryCount; ++i) memcpy(PlayPaths[i], PlayPaths[i + 1], kEntryCapacity);
  PlayPaths[EntryCount - 1][0] = '\0';
  --EntryCount;
  // The track of the deleted row may still sound: its end, or NEXT, plays the file that followed
  // it, which is current now, rather than the one after that.
  if (current == row) StepOntoCurrent = current < EntryCount;
  if (current > row) --current;
  if (NowPlaying == row) {
    NowPlaying = -1;
  } else if (NowPlaying > row) {
    --NowPlaying;
  }
  BuildOrder();
  PlayNo = current < EntryCount ? OrderPositionOf(current) : EntryCount;
  return true;
}

int MovedIndex(int index, int from, int to) {
  if (index == from) return to;
  if (from > to && index >= to && index < from) return index + 1;
  if (from < to && index > from && index <= to) return index - 1;
  return index;
}

bool MoveEntry(int from, int to) {
  if (!IsPosition(from) || !IsPosition(to)) return false;
  if (from == to) return true;
  char kept[kEntryCapacity];
  memcpy(kept, PlayPaths[from], kEntryCapacity);
  if (from > to) {
    for (int i = from; i > to; --i) memcpy(PlayPaths[i], PlayPaths[i - 1], kEntryCapacity);
  } else {
    for (int i = from; i < to; ++i) memcpy(PlayPaths[i], PlayPaths[i + 1], kEntryCapacity);
  }
  memcpy(PlayPaths[to], kept, kEntryCapacity);
  if (NowPlaying >= 0 && NowPlaying < EntryCount) NowPlaying = MovedIndex(NowPlaying, from, to);
  if (ShuffFlag) {
    for (int i = 0; i < EntryCount; ++i) {
      PlayOrder[i] = static_cast<int16_t>(MovedIndex(PlayOrder[i], from, to));
    }
  } else if (IsPosition(PlayNo)) {
    PlayNo = MovedIndex(PlayNo, from, to);
  }
  return true;
}

void SetShuffle(bool on) {
  if (on) {
    ShuffFlag = true;
    BuildOrder();
    return;
  }
  if (IsPosition(PlayNo)) PlayNo = CurrentEntry();
  ShuffFlag = false;
  BuildOrder();
}

bool BeforeAppend() {
  if (EntryCount <= 0) return true;
  if (IsPosition(PlayNo)) PlayNo = CurrentEntry();
  return false;
}

void AfterAppend(bool wasEmpty) {
  if (wasEmpty) {
    PlayNo = 0;
    return;
  }
  // PlayNo holds a slot here; one past the old end now names the first appended file.
  if (IsPosition(PlayNo)) PlayNo = OrderPositionOf(PlayNo);
}

bool StepForward(bool loop) {
  if (EntryCount > 0 && TakeStepOntoCurrent()) return true;
  return StepNext(&PlayNo, EntryCount, loop);
}

TrackEnd StepAtTrackEnd(bool loop, int failedInRow) {
  // A pass in which nothing started ends before anything else is looked at.
  if (EntryCount <= 0 || failedInRow >= EntryCount) {
    StepOntoCurrent = false;
    return TrackEnd::kStop;
  }
  if (TakeStepOntoCurrent()) return TrackEnd::kNext;
  const TrackEnd end = AfterTrack(PlayNo, EntryCount, loop, failedInRow);
  if (end == TrackEnd::kNext) {
    StepNext(&PlayNo, EntryCount, false);
  } else if (end == TrackEnd::kWrap) {
    PlayNo = 0;
    BuildOrder();
  }
  return end;
}
