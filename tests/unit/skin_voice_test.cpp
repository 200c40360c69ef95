// The voice per skin: which brands speak, where each skin's voice is stored and read, and what
// the skin dialog's voice list shows and stores.
#include <gtest/gtest.h>

#include <string>

#include "../shared/memory_profile.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/skin_voice.h"

namespace {

class SkinVoiceTest : public testing::Test {
 protected:
  void SetUp() override { ResetSettings(); }
  void TearDown() override { ResetSettings(); }

  static void Load(const std::string& keys) {
    MemoryProfile file("[TarvoClock]\n" + keys);
    ReadSettings(file.Access());
  }
  static std::string Saved(const char* key) {
    MemoryProfile out;
    WriteSettings(out.Access(), 0);
    return out.Value("TarvoClock", key);
  }
};

TEST_F(SkinVoiceTest, EachSkinReadsItsOwnPlaceWithItsCharactersVoiceAsDefault) {
  struct Case {
    const char* keys;
    int brand;
    int chara;
    bool found;
    int hour;
    int greeting;
  };
  const Case cases[] = {
      // The first character: TimeSetting's digits as the settings load reads them.
      {"", 0, 0, true, 0, 0},
      {"TimeSetting=0020000000000070\n", 0, 2, true, 2, 7},
      {"TimeSetting=0x\n", 0, 1, true, 0, 0},
      {"TimeSetting=0000000000009990\n", 0, 1, true, 0, 9},
      // The other characters: their own voice set unless VoiceSet<brand> says otherwise.
      {"", 1, 0, true, 1, 2},
      {"", 2, 5, true, 2, 4},
      {"", 3, 31, true, 3, 6},
      {"TimeSetting=1111111111111111\n", 3, 0, true, 3, 6},
      {"VoiceSet2=0199x\n", 2, 0, true, 0, 1},
      {"VoiceSet2=0199x\n", 2, 1, true, 9, 9},
      {"VoiceSet2=0199x\n", 2, 2, true, 2, 4},
      {"VoiceSet1=99\n", 2, 0, true, 2, 4},
      // Brands without clips of their own, and skins that are no skins.
      {"", 4, 0, false, -7, -7},
      {"", 11, 0, false, -7, -7},
      {"", -1, 0, false, -7, -7},
      {"", 1, -1, false, -7, -7},
  };
  for (const Case& c : cases) {
    Load(c.keys);
    SkinVoice voice = {-7, -7};
    EXPECT_EQ(BrandSpeaks(c.brand), c.brand >= 0 && c.brand <= 3) << c.brand;
    EXPECT_EQ(StoredSkinVoice(c.brand, c.chara, &voice), c.found) << c.keys << c.brand << c.chara;
    EXPECT_EQ(voice.hour, c.hour) << c.keys << " brand " << c.brand << " skin " << c.chara;
    EXPECT_EQ(voice.greeting, c.greeting) << c.keys << " brand " << c.brand << " skin " << c.chara;
  }
}

TEST_F(SkinVoiceTest, StoringWritesOnlyTheSkinsPlaceAndKeepsTheSkinsBeforeIt) {
  struct Case {
    const char* keys;
    int brand;
    int chara;
    SkinVoice voice;
    bool stored;
    const char* key;
    std::string saved;
  };
  const Case cases[] = {
      {"", 2, 2, {1, 3}, true, "VoiceSet2", "242413"},
      {"VoiceSet1=0x\n", 1, 0, {9, 9}, true, "VoiceSet1", "99"},
      {"VoiceSet3=0\n", 3, 1, {0, 1}, true, "VoiceSet3", "0601"},
      {"TimeSetting=12\n", 0, 3, {2, 7}, true, "TimeSetting", "12020000000000007"},
      {"", 3, 128, {0, 1}, true, "VoiceSet3", std::string(256, 'x') + "01"},
      // No room in the text, or no voice for the brand: nothing changes.
      {"", 3, 129, {0, 1}, false, "VoiceSet3", ""},
      {"", 5, 0, {0, 1}, false, "VoiceSet1", ""},
  };
  for (const Case& c : cases) {
    Load(c.keys);
    const std::string before = Saved(c.key);
    EXPECT_EQ(StoreSkinVoice(c.brand, c.chara, c.voice), c.stored) << c.keys << c.chara;
    std::string expected = c.stored ? c.saved : before;
    // Long texts: the pairs before the skin hold the character's own voice.
    for (size_t i = 0; i + 1 < expected.size() && expected[i] == 'x'; i += 2) expected.replace(i, 2, "36");
    EXPECT_EQ(Saved(c.key), expected) << c.keys << " brand " << c.brand << " skin " << c.chara;
    SkinVoice back = {-7, -7};
    if (c.stored) {
      ASSERT_TRUE(StoredSkinVoice(c.brand, c.chara, &back));
      EXPECT_EQ(back.hour, c.voice.hour);
      EXPECT_EQ(back.greeting, c.voice.greeting);
    }
  }
}

TEST_F(SkinVoiceTest, TheSelectedSkinSpeaksWithItsStoredVoiceAtOnce) {
  struct Case {
    const char* keys;
    int storeBrand;  // -1: nothing stored
    int storeChara;
    bool speaks;
    int hour;
    int greeting;
  };
  const Case cases[] = {
      {"BRAND=0\nCHARA=1\nTimeSetting=0300000000007\n", -1, 0, true, 3, 7},
      // The first character's selected skin: the loaded digits change with the store, and the
      // settings save writes them back unchanged.
      {"BRAND=0\nCHARA=1\n", 0, 1, true, 2, 5},
      // Another of its skins: stored for later, the selected one goes on as it was.
      {"BRAND=0\nCHARA=1\n", 0, 0, true, 0, 0},
      {"BRAND=2\nCHARA=1\n", -1, 0, true, 2, 4},
      {"BRAND=2\nCHARA=1\n", 2, 1, true, 2, 5},
      {"BRAND=3\nCHARA=0\nVoiceSet3=99\n", -1, 0, true, 9, 9},
      {"BRAND=6\nCHARA=0\n", -1, 0, false, -7, -7},
  };
  for (const Case& c : cases) {
    Load(c.keys);
    if (c.storeBrand >= 0) {
      ASSERT_TRUE(StoreSkinVoice(c.storeBrand, c.storeChara, {2, 5}));
    }
    SkinVoice voice = {-7, -7};
    EXPECT_EQ(SpokenVoice(&voice), c.speaks) << c.keys;
    EXPECT_EQ(voice.hour, c.hour) << c.keys << c.storeBrand << c.storeChara;
    EXPECT_EQ(voice.greeting, c.greeting) << c.keys << c.storeBrand << c.storeChara;
    // Saved and read again, the skin speaks the same.
    MemoryProfile file;
    WriteSettings(file.Access(), 0);
    ReadSettings(file.Access());
    SkinVoice again = {-7, -7};
    EXPECT_EQ(SpokenVoice(&again), c.speaks);
    EXPECT_EQ(again.hour, voice.hour) << c.keys;
    EXPECT_EQ(again.greeting, voice.greeting) << c.keys;
  }
}

TEST_F(SkinVoiceTest, TheVoiceListShowsAndStoresChoices) {
  struct Case {
    SkinVoice stored;
    int shown;
    int chosen;
    SkinVoice storedAfter;
  };
  const Case cases[] = {
      {{0, 0}, 0, 2, {2, 4}},
      {{3, 7}, 3, 1, {1, 3}},
      // A hand-edited mix shows the hour's voice; a new choice keeps the greeting's variant.
      {{1, 5}, 1, 3, {3, 7}},
      {{9, 5}, 2, 0, {0, 1}},
      {{9, 9}, -1, 1, {1, 2}},
      {{-1, 8}, -1, 3, {3, 6}},
      {{2, 4}, 2, -1, {9, 9}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VoiceChoiceOf(c.stored), c.shown) << c.stored.hour << c.stored.greeting;
    const SkinVoice after = VoiceOfChoice(c.chosen, c.stored);
    EXPECT_EQ(after.hour, c.storedAfter.hour) << c.chosen;
    EXPECT_EQ(after.greeting, c.storedAfter.greeting) << c.chosen;
    EXPECT_EQ(VoiceChoiceOf(after), c.chosen);
  }
}

}  // namespace
