// The characters' names as their skins show them, in brand order, and the alarm sound choices
// made from them.
#include "timesvc/voice_sets_win32.h"

#include "settings/voice_names_win32.h"

const char* const kVoiceSetNames[kVoiceSetCount] = {VOICE_SET_NAME_A, VOICE_SET_NAME_B,
                                                    VOICE_SET_NAME_C, VOICE_SET_NAME_D};

// The variant marks are full-width digits; the two standard effects use an ASCII space and digit.
const char* const kSoundChoiceNames[kSoundChoiceNameCount] = {
    "標準 1",
    "標準 2",
    VOICE_SET_NAME_A "１",
    VOICE_SET_NAME_A "２",
    VOICE_SET_NAME_B "１",
    VOICE_SET_NAME_B "２",
    VOICE_SET_NAME_C "１",
    VOICE_SET_NAME_C "２",
    VOICE_SET_NAME_D "１",
    VOICE_SET_NAME_D "２",
};
