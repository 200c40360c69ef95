// The voice choice per skin over the settings texts that store it. The texts belong to the
// user-interface thread, but the clock thread reads them for the hourly announcement and the skin
// loader: every access while the threads run goes through here, under one short lock.
#include "settings/skin_voice.h"

#include <cstring>
#include <mutex>

#include "settings/settings.h"
#include "settings/settings_store.h"

namespace {

std::mutex voiceLock;

// Where the digits of one skin lie in its store, and what fills a position nothing was stored at.
struct VoicePlace {
  char* text;
  int capacity;
  int hourPosition;
  int greetingPosition;
  int hourFill;      // the value a missing or non-digit hour character reads as
  int greetingFill;  // likewise for the greeting
};

bool PlaceOf(int brand, int chara, VoicePlace* place) {
  if (!BrandSpeaks(brand) || chara < 0 || chara >= kPathCapacity) return false;
  if (brand == 0) {
    // The settings load's layout and reading, so that a hand-edited TimeSetting keeps its meaning.
    *place = {TimeSetting, static_cast<int>(sizeof TimeSetting), chara, 10 + 2 * chara, 0, 0};
    return true;
  }
  char* const texts[kVoicedBrandCount] = {nullptr, VoiceSet1, VoiceSet2, VoiceSet3};
  const int capacities[kVoicedBrandCount] = {0, static_cast<int>(sizeof VoiceSet1),
                                             static_cast<int>(sizeof VoiceSet2),
                                             static_cast<int>(sizeof VoiceSet3)};
  *place = {texts[brand], capacities[brand], 2 * chara, 2 * chara + 1, brand, 2 * brand};
  return true;
}

int DigitAt(const VoicePlace& place, int position, int fill) {
  const size_t length = strnlen(place.text, static_cast<size_t>(place.capacity));
  if (static_cast<size_t>(position) >= length) return fill;
  const char c = place.text[position];
  return c >= '0' && c <= '9' ? c - '0' : fill;
}

// The value a position reads as when nothing is stored there, as a digit.
char FillAt(const VoicePlace& place, int position) {
  if (place.text == TimeSetting) return '0';
  return static_cast<char>('0' + (position % 2 == 0 ? place.hourFill : place.greetingFill));
}

void PutDigit(const VoicePlace& place, int position, int value) {
  size_t length = strnlen(place.text, static_cast<size_t>(place.capacity) - 1);
  while (length < static_cast<size_t>(position)) {
    place.text[length] = FillAt(place, static_cast<int>(length));
    ++length;
  }
  if (length == static_cast<size_t>(position)) place.text[position + 1] = '\0';
  place.text[position] = static_cast<char>('0' + (value >= 0 && value <= 9 ? value : 0));
}

}  // namespace

bool BrandSpeaks(int brand) { return brand >= 0 && brand < kVoicedBrandCount; }

bool StoredSkinVoice(int brand, int chara, SkinVoice* voice) {
  VoicePlace place;
  if (!PlaceOf(brand, chara, &place)) return false;
  std::lock_guard<std::mutex> hold(voiceLock);
  voice->hour = DigitAt(place, place.hourPosition, place.hourFill);
  voice->greeting = DigitAt(place, place.greetingPosition, place.greetingFill);
  return true;
}

bool StoreSkinVoice(int brand, int chara, const SkinVoice& voice) {
  VoicePlace place;
  if (!PlaceOf(brand, chara, &place)) return false;
  // The last byte of the text is its terminator's.
  if (place.hourPosition >= place.capacity - 1 || place.greetingPosition >= place.capacity - 1) {
    return false;
  }
  std::lock_guard<std::mutex> hold(voiceLock);
  PutDigit(place, place.hourPosition, voice.hour);
  PutDigit(place, place.greetingPosition, voice.greeting);
  if (brand == 0 && chara == CHARA) {
    SignalVoice = DigitAt(place, place.hourPosition, 0);
    BootVoice = DigitAt(place, place.greetingPosition, 0);
  }
  return true;
}

bool SpokenVoice(SkinVoice* voice) {
  const int brand = BRAND;
  if (!BrandSpeaks(brand)) return false;
  if (brand == 0) {
    *voice = {SignalVoice, BootVoice};
    return true;
  }
  return StoredSkinVoice(brand, CHARA, voice);
}

void LoadSkinVoiceDigits(int chara) {
  std::lock_guard<std::mutex> hold(voiceLock);
  LoadVoiceDigits(chara);
}

int VoiceChoiceOf(const SkinVoice& voice) {
  if (voice.hour >= 0 && voice.hour < kVoicedBrandCount) return voice.hour;
  if (voice.greeting >= 0 && voice.greeting < 2 * kVoicedBrandCount) return voice.greeting / 2;
  return -1;
}

SkinVoice VoiceOfChoice(int choice, const SkinVoice& before) {
  if (choice < 0 || choice >= kVoicedBrandCount) return {kSilentVoiceDigit, kSilentVoiceDigit};
  const int variant =
      before.greeting >= 0 && before.greeting < 2 * kVoicedBrandCount ? before.greeting % 2 : 0;
  return {choice, 2 * choice + variant};
}
