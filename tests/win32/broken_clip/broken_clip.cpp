// A program whose only clip is not Vorbis: decoding it must print the decoder's words and end
// the process with status 1, which the clip player's tests check from outside.
#include "timesvc/clip_player_win32.h"

int main() {
  DecodeClip("broken");
  return 0;
}
