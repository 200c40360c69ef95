// Skin package name matching and the member search over packages good and hostile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../shared/package_bytes.h"
#include "skin/package.h"

namespace {

bool Matches(const char* pattern, const std::string& name) {
  std::string entry = name;
  entry.resize(24, ' ');
  return MatchPackageName(pattern, reinterpret_cast<const uint8_t*>(entry.data()));
}

struct Found {
  bool ok;
  PackageMemberPlace place;
  uint32_t examined;
};

Found Find(const std::string& bytes, const char* pattern) {
  PackageBytes memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  PackageSource source = MemoryPackageSource(&memory);
  Found f{};
  f.ok = FindPackageMember(source, pattern, &f.place, &f.examined);
  return f;
}

std::string Read(const std::string& bytes, const char* pattern, bool* ok) {
  PackageBytes memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  PackageMember member{nullptr, 0};
  *ok = ReadPackageMemberFrom(MemoryPackageSource(&memory), pattern, &member);
  if (!*ok) {
    EXPECT_EQ(member.data, nullptr);
    return std::string();
  }
  EXPECT_EQ(member.data[member.size], 0) << "the block ends with a zero byte";
  std::string data(reinterpret_cast<char*>(member.data), member.size);
  FreePackageMember(&member);
  EXPECT_EQ(member.data, nullptr);
  return data;
}

TEST(PackageNameTest, WildcardsDotsAndCase) {
  // "*.xml" takes any base name with extension XML.
  EXPECT_TRUE(Matches("*.xml", EntryName("BRAND", "XML")));
  EXPECT_TRUE(Matches("*.xml", EntryName("ABCDEFGHIJKLMNOPQRST", "XML")));
  EXPECT_FALSE(Matches("*.xml", EntryName("BRAND", "XMI")));
  // A lower-case stem and .kpz: the stem padded with spaces only.
  EXPECT_TRUE(Matches("abc.kpz", EntryName("ABC", "KPZ")));
  EXPECT_FALSE(Matches("abc.kpz", EntryName("ABCD", "KPZ")));
  EXPECT_FALSE(Matches("abc.kpz", EntryName("ABC", "KPX")));
  // Only the pattern is folded: a lower-case entry matches nothing but its exact bytes.
  EXPECT_FALSE(Matches("abc.kpz", EntryName("abc", "kpz")));
  EXPECT_FALSE(Matches("abc.kpz", EntryName("ABC", "kpz")));
  // '?' is any one position, in the base name and in the extension; spaces included.
  EXPECT_TRUE(Matches("a?c.k?z", EntryName("AXC", "KQZ")));
  EXPECT_TRUE(Matches("ab?.kpz", EntryName("AB", "KPZ")));
  EXPECT_TRUE(Matches("????????????????????.kpz", EntryName("AB", "KPZ")));
  // A stem of exactly 20 characters needs no dot check; the separator byte is never compared.
  EXPECT_TRUE(Matches("abcdefghijklmnopqrst.kpz", "ABCDEFGHIJKLMNOPQRST#KPZ"));
  // '*' in the extension takes the rest; characters after a full extension are ignored.
  EXPECT_TRUE(Matches("abc.k*", EntryName("ABC", "KXY")));
  EXPECT_TRUE(Matches("abc.kpzzz", EntryName("ABC", "KPZ")));
  // Without a dot the extension follows at once.
  EXPECT_TRUE(Matches("*kpz", EntryName("ABC", "KPZ")));
  // A pattern that ends early matches nothing, even an entry padded with zero bytes.
  EXPECT_FALSE(Matches("abc", EntryName("ABC", "KPZ")));
  EXPECT_FALSE(Matches("abc.kp", EntryName("ABC", "KPZ")));
  EXPECT_FALSE(Matches("abc", std::string("ABC") + std::string(21, '\0')));
  EXPECT_FALSE(Matches("*", EntryName("ABC", "KPZ")));
  // Long patterns are read no further than they can matter.
  EXPECT_TRUE(Matches("abcdefghijklmnopqrst.kpz@@@@@@@@@@@@@@@", "ABCDEFGHIJKLMNOPQRST.KPZ"));
}

TEST(PackageSearchTest, FirstMatchAndItsBytes) {
  const std::string tail = "<brand>x</brand>IMAGEDATA";
  const uint32_t dataAt = 1 + 3 + 4 + 3 * 32;
  std::string bytes = RawPackage(1, 3,
                                 {{EntryName("PIC", "KPZ"), dataAt + 16, 9},
                                  {EntryName("CAT", "XML"), dataAt, 16},
                                  {EntryName("OTHER", "XML"), dataAt, 1}},
                                 tail);
  bool ok = false;
  EXPECT_EQ(Read(bytes, "*.xml", &ok), "<brand>x</brand>");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(bytes, "pic.kpz", &ok), "IMAGEDATA");
  EXPECT_TRUE(ok);
  Found f = Find(bytes, "*.xml");
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.place.index, 1u);
  EXPECT_EQ(f.examined, 2u);

  // A longer skip block moves the directory.
  std::string skipped = RawPackage(255, 1, {{EntryName("CAT", "XML"), 0, 4}}, "");
  EXPECT_EQ(Read(skipped, "*.xml", &ok), std::string(1, '\xFF') + "\x7F\x7F\x7F");
  EXPECT_TRUE(ok);
}

TEST(PackageSearchTest, NothingFromEmptyOrBrokenHeaders) {
  bool ok = true;
  const std::string good = RawPackage(1, 1, {{EntryName("CAT", "XML"), 0, 8}}, "");
  // First byte 0 and entry count 0.
  std::string zeroSkip = good;
  zeroSkip[0] = '\0';
  EXPECT_FALSE(Find(zeroSkip, "*.xml").ok);
  EXPECT_FALSE(Find(RawPackage(1, 0, {{EntryName("CAT", "XML"), 0, 8}}, ""), "*.xml").ok);
  EXPECT_EQ(Find(RawPackage(1, 0, {{EntryName("CAT", "XML"), 0, 8}}, ""), "*.xml").examined, 0u);
  // An empty file, one cut inside the skip block, inside the count and inside an entry.
  EXPECT_FALSE(Find("", "*.xml").ok);
  EXPECT_FALSE(Find(good.substr(0, 3), "*.xml").ok);
  EXPECT_FALSE(Find(good.substr(0, 6), "*.xml").ok);
  EXPECT_FALSE(Find(good.substr(0, good.size() - 1), "*.xml").ok);
  // More entries announced than the file holds: the short read ends the search.
  EXPECT_FALSE(Find(RawPackage(1, 0xFFFFFFFFu, {{EntryName("A", "KPZ"), 0, 8}}, ""), "*.xml").ok);
  Read(zeroSkip, "*.xml", &ok);
  EXPECT_FALSE(ok);
}

TEST(PackageSearchTest, NoMatchAfterExactlyTheAnnouncedEntries) {
  // Three entries announced, a fourth (matching) one lies beyond them and is never examined.
  std::string bytes = RawPackage(1, 3,
                                 {{EntryName("A", "KPZ"), 0, 1},
                                  {EntryName("B", "KPZ"), 0, 1},
                                  {EntryName("C", "KPZ"), 0, 1},
                                  {EntryName("CAT", "XML"), 0, 1}},
                                 "");
  Found f = Find(bytes, "*.xml");
  EXPECT_FALSE(f.ok);
  EXPECT_EQ(f.examined, 3u);
}

TEST(PackageSearchTest, EntriesOutsideTheFileAreRejected) {
  bool ok = true;
  const uint32_t dataAt = 1 + 3 + 4 + 2 * 32;
  auto pkg = [&](uint32_t offset, uint32_t size) {
    return RawPackage(1, 2, {{EntryName("CAT", "XML"), offset, size}, {EntryName("D", "XML"), dataAt, 4}},
                      "DATA");
  };
  const uint32_t fileSize = dataAt + 4;
  EXPECT_EQ(Read(pkg(dataAt, 4), "*.xml", &ok), "DATA");
  EXPECT_EQ(Read(pkg(fileSize - 1, 1), "*.xml", &ok), "A");
  EXPECT_TRUE(ok);
  // One byte past the end, an offset past the end, sizes that wrap 32 bits, an empty member:
  // the first match decides, so the good entry after it is not used.
  for (auto [offset, size] : {std::pair<uint32_t, uint32_t>{fileSize - 1, 2},
                              {fileSize + 1, 0},
                              {fileSize, 1},
                              {8, 0xFFFFFFFFu},
                              {0xFFFFFFFFu, 2},
                              {dataAt, 0}}) {
    Read(pkg(offset, size), "*.xml", &ok);
    EXPECT_FALSE(ok) << offset << " " << size;
  }
}

TEST(PackageBuildTest, NamesAndRoundTrip) {
  uint8_t entry[24];
  ASSERT_TRUE(PackageEntryName("abc.kpz", entry));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(entry), 24), EntryName("ABC", "KPZ"));
  ASSERT_TRUE(PackageEntryName("Brand.x", entry));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(entry), 24), EntryName("BRAND", "X  "));
  ASSERT_TRUE(PackageEntryName("abcdefghijklmnopqrst.kpz", entry));
  EXPECT_FALSE(PackageEntryName("abcdefghijklmnopqrstu.kpz", entry));
  EXPECT_FALSE(PackageEntryName("abc.kpzz", entry));
  EXPECT_FALSE(PackageEntryName(".kpz", entry));
  EXPECT_FALSE(PackageEntryName("dir/abc.kpz", entry));
  EXPECT_FALSE(PackageEntryName("dir\\abc.kpz", entry));

  const uint8_t xml[] = "<brand></brand>";
  const uint8_t pic[] = {1, 2, 3};
  PackageInput inputs[] = {{"cat.xml", xml, sizeof xml - 1}, {"pic.kpz", pic, sizeof pic}};
  uint8_t* image = nullptr;
  size_t size = 0;
  ASSERT_TRUE(MakePackage(inputs, 2, 7, &image, &size));
  EXPECT_EQ(size, 1u + 21 + 4 + 64 + 15 + 3);
  std::string bytes(reinterpret_cast<char*>(image), size);
  free(image);
  bool ok = false;
  EXPECT_EQ(Read(bytes, "*.XML", &ok), "<brand></brand>");
  EXPECT_EQ(Read(bytes, "PIC.kpz", &ok), std::string("\1\2\3", 3));
  EXPECT_FALSE(MakePackage(inputs, 0, 1, &image, &size));
  EXPECT_FALSE(MakePackage(inputs, 2, 0, &image, &size));
  PackageInput bad[] = {{"waytoolongnameforapackage.kpz", pic, 3}};
  EXPECT_FALSE(MakePackage(bad, 1, 1, &image, &size));
}

}  // namespace
