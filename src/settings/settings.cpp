// Definitions of the settings-backed globals. Their defaults come from the key table, loaded
// before main, so each default is written once.
#include "settings/settings.h"

#include "settings/settings_store.h"

char AppTitle[kTitleCapacity];
char AppCaption[kTitleCapacity];
int WinFlame;
int ShowWin;
char URL[kPathCapacity];
char FeedServer[kPathCapacity];
int LEFT;
int TOP;
int8_t Zadd;
int8_t CHARA;
int8_t BRAND;
uint8_t ALPHA;
int8_t AlphaUse;
int8_t Clock24;
int8_t Clock12;
uint8_t HourCycle;
int SndDLEFT;
int SndDTOP;
int SndLLEFT;
int SndLTOP;
float MasterVol;
bool RepFlag;
bool SPFlag;
bool ShuffFlag;
int8_t AlarmFlag;
int8_t resemble;
int8_t TimeSignal;
int8_t BootSignal;
char TimeSetting[kPathCapacity];
char TimeServer[kPathCapacity];
int8_t SntpUse;
int64_t OldTime;
int64_t LastFeedUpdate;
int8_t FullScreenFlag;
int MoviePosX;
int MoviePosY;
uint8_t ViewBrand;
int NewDays;
int NewFlag;
int8_t ClickMode;
int8_t CheckTime;
int RssScrollTime;
bool FitFlag;
char ListName[kPathCapacity];
char SkinPath[kPathCapacity];
int SignalVoice;
int BootVoice;
int SpareVoice;
char SettingsPath[kPathCapacity];
char ExeFolder[kPathCapacity];

namespace {

const bool kDefaultsLoaded = (LoadDefaultSettingsOnce(), true);

}  // namespace
