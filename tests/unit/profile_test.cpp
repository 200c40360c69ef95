// The integer rule every numeric key is read with, and reads through a profile.
#include <gtest/gtest.h>

#include <string>

#include "../shared/memory_profile.h"
#include "settings/profile.h"

namespace {

TEST(ProfileIntTest, ParsesLeadingDigitsAndRejectsWhatHasNone) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"12", true, 12},
      {"  \t 12", true, 12},
      {"12x", true, 12},
      {"1 2", true, 1},
      {"0x10", true, 0},
      {"+5", true, 5},
      {"-7", true, -7},
      {"-0", true, 0},
      {"007", true, 7},
      {"0000000000000000000000000000042", true, 42},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      // Above the signed range: the same 32-bit pattern, as an unsigned write leaves it.
      {"2147483648", true, INT32_MIN},
      {"4294967295", true, -1},
      {"", false, 0},
      {"   ", false, 0},
      {"abc", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"- 5", false, 0},
      {"+-5", false, 0},
      {"x12", false, 0},
      {"4294967296", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999999999999", false, 0},
      {"-99999999999999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int32_t value = 12345;
    EXPECT_EQ(ParseProfileInt(c.text, &value), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(value, c.ok ? c.value : 12345) << '"' << c.text << '"';
  }
}

TEST(ProfileIntTest, ReadsFallBackOnMissingGarbageAndCutOffNumbers) {
  std::string longZeros(100, '0');
  MemoryProfile file("[S]\n"
                     "plain = 42 \n"
                     "garbage=abc\n"
                     "empty=\n"
                     "trailing=12" + std::string(100, 'x') + "\n"
                     "zeros=" + longZeros + "7\n"
                     "huge=" + std::string(70, '9') + "\n"
                     "quoted=\"-3\"\n");
  ProfileAccess p = file.Access();
  EXPECT_EQ(ReadProfileInt(p, "S", "plain", -1), 42);
  EXPECT_EQ(ReadProfileInt(p, "s", "PLAIN", -1), 42);
  EXPECT_EQ(ReadProfileInt(p, "S", "missing", -1), -1);
  EXPECT_EQ(ReadProfileInt(p, "S", "garbage", -1), -1);
  EXPECT_EQ(ReadProfileInt(p, "S", "empty", 9), 9);
  // Digits that end before the read was cut off are whole.
  EXPECT_EQ(ReadProfileInt(p, "S", "trailing", -1), 12);
  // Digits that reach the cut could go on in the file: the number is not known.
  EXPECT_EQ(ReadProfileInt(p, "S", "zeros", -1), -1);
  EXPECT_EQ(ReadProfileInt(p, "S", "huge", -1), -1);
  EXPECT_EQ(ReadProfileInt(p, "S", "quoted", 0), -3);
}

TEST(ProfileIntTest, WritesSignedAndUnsignedDecimals) {
  MemoryProfile file;
  ProfileAccess p = file.Access();
  ASSERT_TRUE(WriteProfileInt(p, "S", "a", INT32_MIN));
  ASSERT_TRUE(WriteProfileUnsigned(p, "S", "b", 0xFFFFFFFFu));
  ASSERT_TRUE(WriteProfileText(p, "S", "c", "text"));
  EXPECT_EQ(file.Value("S", "a"), "-2147483648");
  EXPECT_EQ(file.Value("S", "b"), "4294967295");
  EXPECT_EQ(file.Value("S", "c"), "text");
  // Both read back as what was held.
  EXPECT_EQ(ReadProfileInt(p, "S", "a", 0), INT32_MIN);
  EXPECT_EQ(static_cast<uint32_t>(ReadProfileInt(p, "S", "b", 0)), 0xFFFFFFFFu);

  char text[4] = "zz";
  file.SetReadOnly(true);
  EXPECT_FALSE(WriteProfileInt(p, "S", "a", 1));
  EXPECT_EQ(file.Value("S", "a"), "-2147483648");
  ReadProfileText(p, "S", "c", "", text, sizeof text);
  EXPECT_STREQ(text, "tex");
}

}  // namespace
