// The tray icons hold an image drawn at every small-icon size the display scales ask for.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "../shared/read_file.h"

namespace {

uint32_t Little(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<size_t>(i)];
  return value;
}

TEST(TrayIcons, HoldEverySmallIconSizeFrom100To300Percent) {
  for (const char* name : {"tray.ico", "tray_news.ico"}) {
    std::vector<uint8_t> ico;
    ASSERT_TRUE(ReadWholeFile(std::string(MASCOT_RESOURCES_DIR) + "/icons/" + name, &ico)) << name;
    ASSERT_GE(ico.size(), 6u) << name;
    ASSERT_EQ(Little(ico, 2, 2), 1u) << name << " is no icon";
    const uint32_t count = Little(ico, 4, 2);
    ASSERT_GE(ico.size(), 6 + 16 * static_cast<size_t>(count)) << name;
    std::set<int> sizes;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t entry = 6 + 16 * static_cast<size_t>(i);
      const int width = ico[entry] == 0 ? 256 : ico[entry];
      EXPECT_EQ(width, ico[entry + 1] == 0 ? 256 : ico[entry + 1]) << name << " image " << i << " is not square";
      EXPECT_LE(static_cast<uint64_t>(Little(ico, entry + 12, 4)) + Little(ico, entry + 8, 4), ico.size())
          << name << " image " << i << " lies past the end";
      sizes.insert(width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48})) << name;
  }
}

}  // namespace
