// The characters' names as their skins show them, in brand order, and the alarm sound choices
// made from them.
#include "timesvc/voice_sets_win32.h"

// Each name once, for both tables.
#define VOICE_SET_A "タルボ"    // cheerful, friendly
#define VOICE_SET_B "ペリン"    // cool and polite
#define VOICE_SET_C "クオラ"    // sleepy and gentle
#define VOICE_SET_D "ビムジー"  // energetic tomboy

const char* const kVoiceSetNames[kVoiceSetCount] = {VOICE_SET_A, VOICE_SET_B, VOICE_SET_C,
                                                    VOICE_SET_D};

// The variant marks are full-width digits; the two standard effects use an ASCII space and digit.
const char* const kSoundChoiceNames[kSoundChoiceNameCount] = {
    "標準 1",          "標準 2",          VOICE_SET_A "１", VOICE_SET_A "２", VOICE_SET_B "１",
    VOICE_SET_B "２", VOICE_SET_C "１", VOICE_SET_C "２", VOICE_SET_D "１", VOICE_SET_D "２",
};
