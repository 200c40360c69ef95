// Display names of the characters whose voices make up the four built-in voice sets, and the
// names of the alarm sound choices.
#pragma once

constexpr int kVoiceSetCount = 4;
constexpr int kSoundChoiceNameCount = 10;

// Indexed by voice set (0 for the "OGG_VOXA" clips to 3 for "OGG_VOXD"); ANSI code page text,
// each shown followed by the variant mark in the alarm sound choices.
extern const char* const kVoiceSetNames[kVoiceSetCount];

// Indexed by an alarm's sound kind (0-9): the two effects, then each voice set's two alarm
// voices. ANSI code page text.
extern const char* const kSoundChoiceNames[kSoundChoiceNameCount];
