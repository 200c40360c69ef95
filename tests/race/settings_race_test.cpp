// The settings globals under ThreadSanitizer: one thread loads and saves the file while another
// reads every number, as the clock thread, the players and the feed check do.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "shared/memory_profile.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace {

TEST(SettingsRace, NumbersReadOnOneThreadWhileAnotherLoadsAndSaves) {
  std::atomic<bool> done{false};
  double sum = 0;
  std::thread reader([&] {
    while (!done.load()) {
      for (int i = 0; i < kSettingKeyCount; ++i) {
        if (kSettingKeys[i].kind != SettingKind::kText && !kSettingKeys[i].perAlarm) {
          sum += SettingNumberValue(kSettingKeys[i], 0);
        }
      }
      // The ones other threads read today, named so a change of their kind is noticed here.
      sum += ALPHA + RssScrollTime + MasterVol + FullScreenFlag + MoviePosX + MoviePosY +
             HourCycle + SignalVoice + static_cast<double>(LastFeedUpdate);
    }
  });
  for (int round = 0; round < 200; ++round) {
    const std::string n = std::to_string(round);
    MemoryProfile file("[TarvoClock]\nALPHA=" + n + "\nRssScrollTime=" + n + "\nMasterVol=" + n +
                       "\nMoviePosX=" + n + "\nCHARA=" + std::to_string(round % 4) + "\n");
    ReadSettings(file.Access());
    MoviePosY = round;
    FullScreenFlag = static_cast<int8_t>(round & 1);
    MemoryProfile saved;
    WriteSettings(saved.Access(), round);
  }
  done = true;
  reader.join();
  // The last load is what a reader sees once the writer has finished.
  EXPECT_EQ(ALPHA, 199);
  EXPECT_EQ(RssScrollTime, 199);
  EXPECT_GT(sum, 0);
}

}  // namespace
