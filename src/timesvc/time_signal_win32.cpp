// The hourly announcement and the start and exit greetings in the character's voice.
#include "timesvc/time_signal_win32.h"

#include "base/app_state.h"
#include "base/test_hooks_win32.h"
#include "settings/settings.h"
#include "settings/skin_voice.h"
#include "timesvc/clip_decode.h"
#include "timesvc/clip_player_win32.h"

namespace {

void PlayGreeting(bool start) {
  char name[16];
  SkinVoice voice;
  if (BootSignal == 0 || !SpokenVoice(&voice) || !GreetingClipName(start, voice.greeting, name)) return;
  TraceEvent("%s %s", start ? "PlayStartVoice" : "PlayExitVoice", name);
  PlayClip(0, name);
}

}  // namespace

void PlayStartVoice() {
  TraceEvent("PlayStartVoice");
  PlayGreeting(true);
}

void PlayExitVoice() {
  TraceEvent("PlayExitVoice");
  PlayGreeting(false);
}

void PlayHourSignal() {
  TraceEvent("PlayHourSignal %u", LastHour);
  char name[16];
  // A voice choice that names no clip still stops whatever was playing.
  SkinVoice voice;
  bool named = SpokenVoice(&voice) && HourClipName(LastHour, HourCycle, voice.hour, name);
  PlayClip(1, named ? name : nullptr);
}
