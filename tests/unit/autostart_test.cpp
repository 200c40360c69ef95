// Windows' record of a startup entry, as Task Manager leaves it: read, and switched back on.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/autostart.h"

namespace {

TEST(StartupRecordTest, TheOffBitDecidesAndSwitchingOnKeepsTheOtherFlags) {
  const struct {
    std::vector<unsigned char> record;
    bool allows;
    unsigned char onByte;  // the first byte once switched on
  } cases[] = {
      {{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, 0x02},
      {{0x03, 0, 0, 0, 0x17, 0x79, 0xBD, 0x01, 0x17, 0xD9, 0xD1, 0x01}, false, 0x02},
      {{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, 0x06},
      {{0x07, 0, 0, 0, 0x71, 0xC9, 0x33, 0xAE, 0x16, 0xD9, 0xD1, 0x01}, false, 0x06},
      {{0x03}, false, 0x02},
      {{}, true, 0x02},
  };
  for (const auto& c : cases) {
    const unsigned char first = c.record.empty() ? 0 : c.record[0];
    EXPECT_EQ(StartupRecordAllows(c.record.data(), c.record.size()), c.allows) << int{first};
    unsigned char on[kStartupRecordSize];
    memset(on, 0xEE, sizeof on);
    StartupRecordSwitchedOn(c.record.data(), c.record.size(), on);
    const std::vector<unsigned char> expected = {c.onByte, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<unsigned char>(on, on + sizeof on), expected) << int{first};
  }
}

}  // namespace
