// The characters' names as their skins show them, in brand order.
#include "timesvc/voice_sets_win32.h"

const char* const kVoiceSetNames[kVoiceSetCount] = {
    "タルボ",    // cheerful, friendly
    "ペリン",    // cool and polite
    "クオラ",    // sleepy and gentle
    "ビムジー",  // energetic tomboy
};
