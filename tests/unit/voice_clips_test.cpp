// The built-in voice clips and alarm effects: all present, embedded, decodable, levelled and distinct.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../shared/read_file.h"
#include "../shared/vorbis_memory.h"

namespace {

using namespace vorbis_test;

const std::string kResourcesDir = MASCOT_RESOURCES_DIR;
constexpr int kVoiceSets = 4;
constexpr int kClipsPerSet = 30;
constexpr long kClipRate = 22050;
constexpr size_t kMaxTotalBytes = 4u * 1024u * 1024u;
constexpr double kMinSeconds = 0.5;
constexpr double kMaxSeconds = 6.0;
// Samples above 1% of full scale count as sound when looking for silence at either end.
constexpr int kQuietLevel = 328;

std::string ClipName(int set, int number) {
  char name[16];
  std::snprintf(name, sizeof name, "OGG_VOX%c%02d", 'A' + set, number);
  return name;
}

std::vector<std::string> AllClipNames() {
  std::vector<std::string> names;
  for (int set = 0; set < kVoiceSets; ++set) {
    for (int number = 0; number < kClipsPerSet; ++number) names.push_back(ClipName(set, number));
  }
  names.push_back("se09");
  names.push_back("se01");
  return names;
}

struct DecodedClip {
  int openResult = -1;
  int channels = 0;
  long rate = 0;
  ogg_int64_t declaredFrames = 0;
  long readResult = 0;
  std::vector<int16_t> samples;
};

// Decodes a whole clip from memory, the way the program does.
DecodedClip DecodeClipFile(const std::string& name) {
  DecodedClip clip;
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(kResourcesDir + "/voices/" + name + ".ogg", &bytes)) return clip;
  MemorySource source = {&bytes, 0, 0};
  OggVorbis_File file;
  clip.openResult = ov_open_callbacks(&source, &file, nullptr, 0, MemoryCallbacks());
  if (clip.openResult != 0) return clip;
  const vorbis_info* info = ov_info(&file, -1);
  if (info != nullptr) {
    clip.channels = info->channels;
    clip.rate = info->rate;
    clip.declaredFrames = ov_pcm_total(&file, -1);
    // Ask for more than declared, so a stream that runs on past its length shows.
    clip.readResult = ReadPcm16(&file, clip.channels, static_cast<long>(clip.declaredFrames) + 4096,
                                &clip.samples);
  }
  ov_clear(&file);
  return clip;
}

double RmsDb(const std::vector<int16_t>& samples) {
  return 20.0 * std::log10(ChannelRms(samples, 1, 0) / kPcmScale);
}

// Seconds of near-silence before the first and after the last audible sample.
void QuietEnds(const std::vector<int16_t>& samples, long rate, double* lead, double* tail) {
  const auto loud = [](int16_t s) { return std::abs(static_cast<int>(s)) > kQuietLevel; };
  const auto first = std::find_if(samples.begin(), samples.end(), loud);
  const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
  *lead = static_cast<double>(first - samples.begin()) / rate;
  *tail = static_cast<double>(last - samples.rbegin()) / rate;
}

// Median fundamental frequency of the voiced frames, from the normalised autocorrelation of
// 25 ms windows. The shortest lag that comes close to the best one is taken, so that a period
// of two pitch cycles does not halve the estimate.
void CollectPitches(const std::vector<int16_t>& samples, long rate, std::vector<double>* pitches) {
  const int minLag = static_cast<int>(rate / 450);
  const int maxLag = static_cast<int>(rate / 70);
  const int window = static_cast<int>(rate / 40);
  const int hop = static_cast<int>(rate / 25);
  std::vector<double> x(samples.begin(), samples.end());
  for (size_t start = 0; start + window + maxLag < x.size(); start += hop) {
    const double* frame = x.data() + start;
    double energy = 0.0;
    for (int i = 0; i < window; ++i) energy += frame[i] * frame[i];
    if (std::sqrt(energy / window) < 0.03 * kPcmScale) continue;
    std::vector<double> correlation(maxLag + 1, 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag; ++lag) {
      double cross = 0.0;
      double shifted = 0.0;
      for (int i = 0; i < window; ++i) {
        cross += frame[i] * frame[i + lag];
        shifted += frame[i + lag] * frame[i + lag];
      }
      correlation[lag] = shifted > 0.0 ? cross / std::sqrt(energy * shifted) : 0.0;
      best = std::max(best, correlation[lag]);
    }
    if (best < 0.75) continue;
    for (int lag = minLag; lag <= maxLag; ++lag) {
      if (correlation[lag] >= 0.9 * best) {
        pitches->push_back(static_cast<double>(rate) / lag);
        break;
      }
    }
  }
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

TEST(VoiceClipsTest, ResourceScriptEmbedsEveryClipOnceFromItsFile) {
  std::ifstream script(kResourcesDir + "/voices.rc");
  ASSERT_TRUE(script.good());
  std::map<std::string, int> listed;
  std::string line;
  while (std::getline(script, line)) {
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    std::istringstream fields(line);
    std::string name;
    std::string type;
    std::string file;
    std::string extra;
    fields >> name >> type >> file;
    EXPECT_FALSE(fields >> extra) << line;
    EXPECT_EQ(type, "OGG") << line;
    EXPECT_EQ(file, "\"voices/" + name + ".ogg\"") << line;
    ++listed[name];
  }

  const std::vector<std::string> names = AllClipNames();
  ASSERT_EQ(names.size(), 122u);
  size_t totalBytes = 0;
  for (const std::string& name : names) {
    EXPECT_EQ(listed[name], 1) << name;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(kResourcesDir + "/voices/" + name + ".ogg", &bytes)) << name;
    totalBytes += bytes.size();
  }
  // Nothing else is embedded under the clip type.
  EXPECT_EQ(listed.size(), names.size());
  EXPECT_LT(totalBytes, kMaxTotalBytes);
}

TEST(VoiceClipsTest, EveryClipDecodesToTrimmedLevelledSoundOfSensibleLength) {
  std::vector<double> levels;
  std::set<std::vector<int16_t>> distinctAudio;
  for (const std::string& name : AllClipNames()) {
    SCOPED_TRACE(name);
    const DecodedClip clip = DecodeClipFile(name);
    ASSERT_EQ(clip.openResult, 0);
    EXPECT_EQ(clip.channels, 1);
    EXPECT_EQ(clip.rate, kClipRate);
    EXPECT_EQ(clip.readResult, 0);
    ASSERT_EQ(static_cast<ogg_int64_t>(clip.samples.size()), clip.declaredFrames);

    const double seconds = static_cast<double>(clip.samples.size()) / kClipRate;
    EXPECT_GE(seconds, kMinSeconds);
    EXPECT_LE(seconds, kMaxSeconds);

    const double level = RmsDb(clip.samples);
    EXPECT_GT(level, -30.0);
    levels.push_back(level);
    const auto extremes = std::minmax_element(clip.samples.begin(), clip.samples.end());
    EXPECT_GT(*extremes.first, -32768) << "clipped";
    EXPECT_LT(*extremes.second, 32767) << "clipped";

    double lead = 0.0;
    double tail = 0.0;
    QuietEnds(clip.samples, kClipRate, &lead, &tail);
    EXPECT_LT(lead, 0.15);
    EXPECT_LT(tail, name.rfind("se", 0) == 0 ? 0.3 : 0.2);
    EXPECT_TRUE(distinctAudio.insert(clip.samples).second) << "same audio as another clip";
  }
  // Levelled alike, so no clip jumps out louder or softer than the others.
  const double median = Median(levels);
  for (double level : levels) EXPECT_NEAR(level, median, 3.0);
}

TEST(VoiceClipsTest, AlarmEffectsAreShortRingsWithARestForThreeInARow) {
  for (const char* name : {"se09", "se01"}) {
    SCOPED_TRACE(name);
    const DecodedClip clip = DecodeClipFile(name);
    ASSERT_EQ(clip.openResult, 0);
    const double seconds = static_cast<double>(clip.samples.size()) / kClipRate;
    // Three rings in a row keep the clock waiting for at most about four seconds.
    EXPECT_LE(seconds, 1.5);
    double lead = 0.0;
    double tail = 0.0;
    QuietEnds(clip.samples, kClipRate, &lead, &tail);
    EXPECT_GE(tail, 0.05) << "no rest between repeated rings";
  }
}

TEST(VoiceClipsTest, TheFourVoiceSetsHaveClearlyDifferentPitch) {
  // Every line of a set, as the voices' targets are set over whole sets.
  double pitch[kVoiceSets] = {};
  for (int set = 0; set < kVoiceSets; ++set) {
    std::vector<double> pitches;
    for (int number = 0; number < kClipsPerSet; ++number) {
      const DecodedClip clip = DecodeClipFile(ClipName(set, number));
      ASSERT_EQ(clip.openResult, 0) << ClipName(set, number);
      CollectPitches(clip.samples, kClipRate, &pitches);
    }
    ASSERT_GE(pitches.size(), 20u) << "too little voiced speech in set " << set;
    pitch[set] = Median(pitches);
    // Young women's voices, all four.
    EXPECT_GE(pitch[set], 220.0) << set;
    EXPECT_LT(pitch[set], 450.0) << set;
  }
  // At least one and a half semitones between any two characters.
  const double minRatio = std::pow(2.0, 1.5 / 12.0);
  for (int a = 0; a < kVoiceSets; ++a) {
    for (int b = a + 1; b < kVoiceSets; ++b) {
      const double ratio = std::max(pitch[a], pitch[b]) / std::min(pitch[a], pitch[b]);
      EXPECT_GE(ratio, minRatio) << "sets " << a << " and " << b << ": " << pitch[a] << " Hz, "
                                 << pitch[b] << " Hz";
    }
  }
}

}  // namespace
