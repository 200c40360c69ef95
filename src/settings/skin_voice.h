// Which voice each skin speaks in: the built-in characters' own voice sets, and the choice
// stored per skin (TimeSetting for the first character's skins, VoiceSet<brand> for the others).
#pragma once

// The built-in characters' brands, 0-3, speak; each has the voice set of the same index as its
// own. Other brands come from skin packages, which bring no clips, and stay silent.
constexpr int kVoicedBrandCount = 4;

// The digit stored for a skin that stays silent: a voice set no clip name is formed from.
constexpr int kSilentVoiceDigit = 9;

// The two voice choices of a skin, as the settings file stores them.
struct SkinVoice {
  int hour;      // voice set of the hourly announcement: 0-3; any other value is silent
  int greeting;  // start and exit voices: voice set * 2 + variant, 0-7; any other is silent
};

// Whether skins of `brand` speak at all.
bool BrandSpeaks(int brand);

// The stored voice of skin `chara` of `brand`; false, leaving `voice` alone, for a brand that
// does not speak or a skin index the store has no place for.
//   brand 0:    TimeSetting, the hour digit at chara and the greeting digit at 10 + 2 * chara,
//               read as the settings load reads them (a missing or non-digit character is 0).
//   brands 1-3: VoiceSet<brand>, the hour digit at 2 * chara and the greeting at 2 * chara + 1;
//               a missing or non-digit character is the character's own voice.
bool StoredSkinVoice(int brand, int chara, SkinVoice* voice);

// Stores the voice of skin `chara` of `brand` in the places StoredSkinVoice reads. A shorter text
// is first filled up to the position with digits that keep the skins before it as they read.
// For the first character's skin that is selected (CHARA), the loaded digits SignalVoice and
// BootVoice change with it, so the voice is heard at once and saved. False, storing nothing,
// when the brand does not speak or the position lies outside the text's capacity.
bool StoreSkinVoice(int brand, int chara, const SkinVoice& voice);

// The voice the selected skin (BRAND, CHARA) speaks with: the first character's from the loaded
// digits SignalVoice and BootVoice, the others' from their store. False when it stays silent.
bool SpokenVoice(SkinVoice* voice);

// Loads SignalVoice, BootVoice and SpareVoice from TimeSetting for skin index `chara`, as the
// settings load does; the skin loader calls it for the skin it has just selected.
void LoadSkinVoiceDigits(int chara);

// The voice list's entry for a stored voice: the voice set of the hourly announcement, else that
// of the greeting, else -1 ("なし").
int VoiceChoiceOf(const SkinVoice& voice);

// The stored voice for list entry `choice` (0-3, or -1 for "なし"): both voices in that set; the
// greeting keeps the variant it had.
SkinVoice VoiceOfChoice(int choice, const SkinVoice& before);
