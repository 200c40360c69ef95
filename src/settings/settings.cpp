// Definitions of the settings-backed globals. Their defaults come from the key table, loaded
// before main, so each default is written once.
#include "settings/settings.h"

#include "settings/settings_store.h"

#define TARVO_DEFINE_TEXT(name, capacity, textDefault, saveOrder) char name[capacity];
#define TARVO_DEFINE_NUMBER(name, kind, numberDefault, saveOrder) \
  std::atomic<SettingTypeOf<SettingKind::kind>::Type> name;
#define TARVO_DEFINE_NOTHING(...)
TARVO_SETTINGS(TARVO_DEFINE_TEXT, TARVO_DEFINE_NUMBER, TARVO_DEFINE_NOTHING)
#undef TARVO_DEFINE_TEXT
#undef TARVO_DEFINE_NUMBER
#undef TARVO_DEFINE_NOTHING

char AppCaption[kTitleCapacity];
std::atomic<uint8_t> HourCycle;
std::atomic<int64_t> LastFeedUpdate;
std::atomic<int> SignalVoice;
std::atomic<int> BootVoice;
std::atomic<int> SpareVoice;
char SettingsPath[kPathCapacity];
char ExeFolder[kPathCapacity];
char DataFolder[kPathCapacity];

namespace {

const bool kDefaultsLoaded = (LoadDefaultSettingsOnce(), true);

}  // namespace
