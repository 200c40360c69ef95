// Edits of the play list made from its window and the panel: deleting and moving entries,
// switching the shuffle, appending dropped entries, and which entry a play may start.
#pragma once

#include "player/panel_rules.h"

// The entry a play starts: CurrentEntry() when PlayNo is a position of the list, else -1. An
// emptied list keeps its old paths in the slots, and CurrentEntry() gives entry 0 for any
// position outside the list, so only this tells that there is nothing to play.
int EntryToPlay();

// Deletes the entry in slot `row`: later slots move down one, the vacated slot is emptied. The
// current entry stays the same file; deleting it makes the following file current and the one
// the next step forward plays (StepOntoCurrent), and deleting the current last entry leaves
// PlayNo one past the end. NowPlaying follows its file, and becomes -1 when its own row goes (the
// star is never left on another file). The order is rebuilt (a new shuffle when shuffling).
// False, with nothing changed, for a row not in the list.
bool DeleteEntryAt(int row);

// Moves the entry in slot `from` to slot `to`, the ones between shifting by one towards `from`.
// The current entry and NowPlaying stay on their files. When shuffling, every order value is
// mapped to its file's new slot and PlayNo keeps its position, so the order stays the same
// sequence of files. False, with nothing changed, when either row is not in the list.
bool MoveEntry(int from, int to);

// The slot an entry moves to when slot `from` moves to slot `to`.
int MovedIndex(int index, int from, int to);

// SHUFFLE checked or unchecked. Checking keeps PlayNo as a position in the new order;
// unchecking makes PlayNo the current entry's slot so that the same file stays current. A
// PlayNo outside the list stays outside it.
void SetShuffle(bool on);

// Appending to a list that may be playing: call BeforeAppend, append (which rebuilds the order),
// then AfterAppend with its result. Between the two PlayNo holds the current entry's slot, so a
// ".lst" loaded on the way sets it the same way. The current entry stays current; a list that
// was empty starts at position 0. BeforeAppend returns whether the list was empty.
bool BeforeAppend();
void AfterAppend(bool wasEmpty);

// NEXT: PlayNo moves to the following position, or with `loop` from the last to the first.
// False, with nothing changed, when there is nothing to go to.
bool StepForward(bool loop);

// The step the panel takes when a track has ended, or when a play started nothing: PlayNo moves
// to the following position (kNext), or to 0 with a fresh order, a new shuffle when shuffling
// (kWrap); kStop leaves it. `failedInRow` as AfterTrack takes it.
TrackEnd StepAtTrackEnd(bool loop, int failedInRow);
