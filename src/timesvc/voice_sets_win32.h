// Display names of the characters whose voices make up the four built-in voice sets.
#pragma once

constexpr int kVoiceSetCount = 4;

// Indexed by voice set (0 for the "OGG_VOXA" clips to 3 for "OGG_VOXD"); ANSI code page text,
// each shown followed by the variant mark in the alarm sound choices.
extern const char* const kVoiceSetNames[kVoiceSetCount];
