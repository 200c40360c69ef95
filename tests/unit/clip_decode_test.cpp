// Clips from memory: the decoder callbacks' edges, the WAV image of a real built-in clip, and
// which clip each hour and greeting names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "timesvc/clip_decode.h"

namespace {

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint32_t Get16(const uint8_t* p) { return p[0] | p[1] << 8; }

std::vector<uint8_t> ReadClip(const std::string& name) {
  std::vector<uint8_t> bytes;
  FILE* f = fopen((std::string(MASCOT_RESOURCES_DIR) + "/voices/" + name + ".ogg").c_str(), "rb");
  if (f == nullptr) return bytes;
  int c;
  while ((c = fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  fclose(f);
  return bytes;
}

TEST(ClipDecodeTest, CallbacksReadSeekAndTellWithinTheClip) {
  const uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  MemoryClipSource s = {0, 10, data};
  uint8_t out[16] = {};
  EXPECT_EQ(ClipRead(out, 1, 4, &s), 4u);
  EXPECT_EQ(ClipTell(&s), 4);
  // Whole elements only at the end: 6 bytes left are 3 elements of 2.
  EXPECT_EQ(ClipRead(out, 2, 5, &s), 3u);
  EXPECT_EQ(out[5], 9);
  EXPECT_EQ(ClipTell(&s), 10);
  EXPECT_EQ(ClipRead(out, 1, 1, &s), 0u);
  // A request so large it would wrap 32 bits still stops at the end.
  ASSERT_EQ(ClipSeek(&s, 8, SEEK_SET), 0);
  EXPECT_EQ(ClipRead(out, 1, 0xFFFFFFFFu, &s), 2u);

  EXPECT_EQ(ClipSeek(&s, -3, SEEK_END), 0);
  EXPECT_EQ(ClipTell(&s), 7);
  EXPECT_EQ(ClipSeek(&s, -2, SEEK_CUR), 0);
  EXPECT_EQ(ClipTell(&s), 5);
  EXPECT_EQ(ClipSeek(&s, -6, SEEK_CUR), -1);
  EXPECT_EQ(ClipTell(&s), 5);  // refused, place kept
  EXPECT_EQ(ClipSeek(&s, 40, SEEK_SET), 0);  // past the end is a place; reads give nothing
  EXPECT_EQ(ClipRead(out, 1, 1, &s), 0u);
  EXPECT_EQ(ClipSeek(&s, 0, 7), -1);
  EXPECT_EQ(ClipSeek(&s, -1, SEEK_SET), -1);
  EXPECT_EQ(s.position, kFailedSeek);
  EXPECT_EQ(ClipRead(out, 1, 1, &s), 0u);

  EXPECT_EQ(ClipRead(out, 1, 1, nullptr), static_cast<size_t>(-1));
  EXPECT_EQ(ClipSeek(nullptr, 0, SEEK_SET), -1);
  EXPECT_EQ(ClipTell(nullptr), -1);
  EXPECT_EQ(ClipClose(nullptr), -1);
  EXPECT_EQ(ClipClose(&s), 0);
}

TEST(ClipDecodeTest, BuiltInClipBecomesACompleteWavImage) {
  std::vector<uint8_t> ogg = ReadClip("OGG_VOXA28");
  ASSERT_FALSE(ogg.empty());
  uint8_t* image = nullptr;
  size_t size = 0;
  ASSERT_EQ(DecodeClipBytes(ogg.data(), ogg.size(), &image, &size, nullptr), ClipResult::kOk);
  ASSERT_GT(size, 44u + 22050u);  // more than half a second of mono 22 kHz
  EXPECT_EQ(memcmp(image, "RIFF", 4), 0);
  EXPECT_EQ(Get32(image + 4), size - 8);
  EXPECT_EQ(memcmp(image + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(Get32(image + 16), 16u);
  EXPECT_EQ(Get16(image + 20), 1u);
  EXPECT_EQ(Get16(image + 22), 1u);
  EXPECT_EQ(Get32(image + 24), 22050u);
  EXPECT_EQ(Get32(image + 28), 44100u);
  EXPECT_EQ(Get16(image + 32), 2u);
  EXPECT_EQ(Get16(image + 34), 16u);
  EXPECT_EQ(memcmp(image + 36, "data", 4), 0);
  EXPECT_EQ(Get32(image + 40), size - 44);
  long long energy = 0;
  for (size_t i = 44; i + 1 < size; i += 2) {
    int v = static_cast<int16_t>(Get16(image + i));
    energy += static_cast<long long>(v) * v;
  }
  EXPECT_GT(energy / static_cast<long long>((size - 44) / 2), 100 * 100);  // speech, not silence
  free(image);
}

TEST(ClipDecodeTest, DamagedClipsFailWithoutOutput) {
  std::vector<uint8_t> ogg = ReadClip("se01");
  ASSERT_GT(ogg.size(), 200u);
  uint8_t* image = reinterpret_cast<uint8_t*>(0x1);
  size_t size = 77;
  int error = 0;
  std::vector<uint8_t> notOgg(ogg.size(), 0x55);
  EXPECT_EQ(DecodeClipBytes(notOgg.data(), notOgg.size(), &image, &size, &error), ClipResult::kCorrupt);
  EXPECT_LT(error, 0);
  EXPECT_EQ(DecodeClipBytes(ogg.data(), 0, &image, &size, &error), ClipResult::kUnusable);
  EXPECT_EQ(DecodeClipBytes(nullptr, 10, &image, &size, &error), ClipResult::kUnusable);
  EXPECT_EQ(image, reinterpret_cast<uint8_t*>(0x1));
  EXPECT_EQ(size, 77u);
  // A clip cut short either decodes what it holds into a complete image or fails untouched.
  for (size_t cut : {size_t{30}, ogg.size() / 2}) {
    size = 77;
    ClipResult r = DecodeClipBytes(ogg.data(), cut, &image, &size, &error);
    if (r == ClipResult::kOk) {
      ASSERT_GE(size, 44u);
      EXPECT_EQ(Get32(image + 40), size - 44);
      free(image);
      image = reinterpret_cast<uint8_t*>(0x1);
    } else {
      EXPECT_EQ(image, reinterpret_cast<uint8_t*>(0x1));
      EXPECT_EQ(size, 77u);
    }
  }
}

// An effect rung three times is one image of the samples three times over, three times as long.
TEST(ClipDecodeTest, ARepeatedImageHoldsTheSamplesBackToBack) {
  std::vector<uint8_t> ogg = ReadClip("se09");
  uint8_t* image = nullptr;
  size_t size = 0;
  ASSERT_EQ(DecodeClipBytes(ogg.data(), ogg.size(), &image, &size, nullptr), ClipResult::kOk);
  uint8_t* three = nullptr;
  size_t threeSize = 0;
  ASSERT_TRUE(RepeatWavImage(image, size, 3, &three, &threeSize));
  const size_t data = size - 44;
  ASSERT_EQ(threeSize, 44 + 3 * data);
  EXPECT_EQ(Get32(three + 4), threeSize - 8);
  EXPECT_EQ(Get32(three + 40), 3 * data);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(memcmp(three + 44 + k * data, image + 44, data), 0) << k;
  EXPECT_EQ(WavImageMs(three, threeSize), 3 * data * 1000 / Get32(image + 28));
  // An image shorter than its header says makes nothing.
  EXPECT_FALSE(RepeatWavImage(image, size - 1, 3, &three, &threeSize));
  free(three);
  free(image);
}

TEST(ClipDecodeTest, HoursAndGreetingsNameTheirClips) {
  char name[16] = "untouched";
  ASSERT_TRUE(HourClipName(7, 24, 0, name));
  EXPECT_STREQ(name, "OGG_VOXA07");
  ASSERT_TRUE(HourClipName(13, 12, 2, name));
  EXPECT_STREQ(name, "OGG_VOXC01");  // 12-hour: 13 o'clock says 01
  ASSERT_TRUE(HourClipName(12, 12, 3, name));
  EXPECT_STREQ(name, "OGG_VOXD00");  // noon says 00 like midnight
  ASSERT_TRUE(HourClipName(23, 24, 1, name));
  EXPECT_STREQ(name, "OGG_VOXB23");
  strcpy(name, "untouched");
  EXPECT_FALSE(HourClipName(7, 24, 4, name));
  EXPECT_FALSE(HourClipName(7, 24, -1, name));
  EXPECT_STREQ(name, "untouched");

  const char* starts[8] = {"OGG_VOXA28", "OGG_VOXA29", "OGG_VOXB28", "OGG_VOXB29",
                           "OGG_VOXC28", "OGG_VOXC29", "OGG_VOXD28", "OGG_VOXD29"};
  for (int v = 0; v < 8; ++v) {
    ASSERT_TRUE(GreetingClipName(true, v, name));
    EXPECT_STREQ(name, starts[v]);
    ASSERT_TRUE(GreetingClipName(false, v, name));
    std::string exitName = starts[v];
    exitName[9] = static_cast<char>(exitName[9] - 2);
    EXPECT_EQ(name, exitName);
  }
  EXPECT_FALSE(GreetingClipName(true, 8, name));
  EXPECT_FALSE(GreetingClipName(false, -1, name));
}

}  // namespace
