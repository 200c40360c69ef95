// Skin offers: the name table, target paths, the link filter, and the download's course over a
// fake transport and fake files (outcome, the old file kept, no temporary file left).
#include "skin/skin_update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "skin/package.h"

namespace {

bool SjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

TEST(SkinOffer, RuleAndFileName) {
  EXPECT_TRUE(IsSkinOffer("[1s]sample.skn"));
  EXPECT_TRUE(IsSkinOffer("[0s"));
  EXPECT_FALSE(IsSkinOffer("[1x]sample.skn"));
  EXPECT_FALSE(IsSkinOffer("x1s]sample.skn"));
  EXPECT_FALSE(IsSkinOffer("["));
  EXPECT_FALSE(IsSkinOffer(""));
  char name[64];
  ASSERT_TRUE(OfferFileName("[1s]sample.skn", name, sizeof name));
  EXPECT_STREQ(name, "sample.skn");
  // A missing or short extend gives no name at all.
  EXPECT_FALSE(OfferFileName("[1s]", name, sizeof name));
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(OfferFileName("[1s", name, sizeof name));
  EXPECT_FALSE(OfferFileName("", name, sizeof name));
  EXPECT_FALSE(OfferFileName("[1s]abcdefgh.skn", name, 8));
}

TEST(SkinName, TableOfPlainAndHostileNames) {
  struct Case {
    const char* name;
    bool plain;
  };
  const Case cases[] = {
      {"sample.skn", true},
      {"SAMPLE.SKN", true},
      {"a.skn", true},
      {"\x83\x5C.skn", true},        // "ソ": its trail byte is 0x5C, not a separator
      {"\x95\x5C\x83\x5C.skn", true},  // "表ソ"
      {"my skin.v2.skn", true},
      {"..\\a.skn", false},
      {"a\\b.skn", false},
      {"a/b.skn", false},
      {"C:a.skn", false},
      {"a.skn:s", false},
      {"a.skn:s.skn", false},
      {"a..skn", false},
      {"..skn", false},
      {".skn", false},
      {"CON.skn", false},
      {"con.skn", false},
      {"CON .skn", false},
      {"NUL.skn", false},
      {"com1.skn", false},
      {"LPT9.skn", false},
      {"CONOUT$.skn", false},
      {"CON.x.skn", false},
      {"COM0.skn", true},
      {"CONSOLE.skn", true},
      {"a.skn.", false},
      {"a.skn ", false},
      {"a .skn", false},
      {" a.skn", false},
      {"a*.skn", false},
      {"a?.skn", false},
      {"a\".skn", false},
      {"a<.skn", false},
      {"a>.skn", false},
      {"a|.skn", false},
      {"a\t.skn", false},
      {"a\x7F.skn", false},
      {"a.txt", false},
      {"a.sk", false},
      {"", false},
      {"a.skn\x83", false},  // a lead byte without its trail
      {"\x81\x40\x8F\xFC.skn", true},
      {"\x83.skn", false},     // a lead byte swallowing the dot
      {"a\x81/b.skn", false},  // ... a folder separator
      {"a\x81:b.skn", false},  // ... a stream or drive colon
      {"a\x81\x7F.skn", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPlainSkinName(c.name, SjisLead), c.plain) << c.name;
  // Without the lead-byte test, "ソ" ends in a backslash and is refused.
  EXPECT_FALSE(IsPlainSkinName("\x83\x5C.skn", [](unsigned char) { return false; }));
}

TEST(SkinTarget, FolderFromSkinPathAndWholePathLimit) {
  // Every relative SkinPath is taken from the settings' folder, never from the current one.
  struct Folder {
    const char* skinPath;
    const char* baseFolder;
    const char* folder;  // null: refused
  };
  const Folder folders[] = {
      {".\\skin", "C:\\Tarvo", "C:\\Tarvo\\skin"},     {"skins", "C:\\Tarvo", "C:\\Tarvo\\skins"},
      {"..\\x", "C:\\Tarvo", "C:\\Tarvo\\..\\x"},     {".", "C:\\", "C:\\"},
      {"D:\\Skins", "C:\\Tarvo", "D:\\Skins"},       {"\\\\server\\s", "C:\\Tarvo", "\\\\server\\s"},
      {"s", "C:\\\x83\x5C", "C:\\\x83\x5C\\s"},  // "ソ" does not end in a separator
      {"", "C:\\Tarvo", nullptr},                 {"s", "C:\\vo\x8c", nullptr},
  };
  for (const Folder& f : folders) {
    char folder[300] = "untouched";
    EXPECT_EQ(SkinFolderPath(f.skinPath, f.baseFolder, folder, sizeof folder, SjisLead), f.folder != nullptr);
    EXPECT_STREQ(folder, f.folder != nullptr ? f.folder : "untouched") << f.skinPath;
  }
  char out[300] = "untouched";
  ASSERT_TRUE(BuildSkinTarget("C:\\Tarvo\\skin", "a.skn", out, sizeof out, SjisLead));
  EXPECT_STREQ(out, "C:\\Tarvo\\skin\\a.skn");
  ASSERT_TRUE(BuildSkinTarget("C:\\", "a.skn", out, sizeof out, SjisLead));
  EXPECT_STREQ(out, "C:\\a.skn");
  // A folder ending in "ソ" does not end in a separator.
  ASSERT_TRUE(BuildSkinTarget("C:\\\x83\x5C", "a.skn", out, sizeof out, SjisLead));
  EXPECT_STREQ(out, "C:\\\x83\x5C\\a.skn");
  strcpy(out, "untouched");
  EXPECT_FALSE(BuildSkinTarget("C:\\skin", "..\\a.skn", out, sizeof out, SjisLead));
  // A folder ending in a lead byte would swallow the separator: "\x8c\\" is one character.
  EXPECT_FALSE(BuildSkinTarget("C:\\vo\x8c", "a.skn", out, sizeof out, SjisLead));
  EXPECT_STREQ(out, "untouched");
  // 259 bytes in all is the longest path.
  const std::string longFolder = "C:\\" + std::string(259 - 3 - 1 - 5, 'f');
  ASSERT_TRUE(BuildSkinTarget(longFolder.c_str(), "a.skn", out, sizeof out, SjisLead));
  EXPECT_EQ(strlen(out), 259u);
  EXPECT_FALSE(BuildSkinTarget((longFolder + "f").c_str(), "a.skn", out, sizeof out, SjisLead));
}

TEST(SkinLinks, OnlyHttpAndHttpsWithoutBlanksQuotesOrControlCharactersReachTheShell) {
  for (const char* good : {"http://127.77.0.1/tarvo/1.html", "https://example.org/", "HTTP://a/b",
                           "http://a", "https://a/b%20c", "http://a/?q='x'&r=%22",
                           "http://a/\x93\xfa\x96\x7b"}) {
    EXPECT_TRUE(IsLaunchableLink(good)) << good;
  }
  // A blank or a quote would end the link on the browser's command line.
  for (const char* bad : {"file:///C:/Windows/notepad.exe", "file://server/share", "C:\\evil.exe",
                          "\\\\server\\share\\x.exe", "javascript:alert(1)", "mailto:a@b",
                          "http:/a", "http://", "http:///etc/passwd", "http:\\\\a", "ftp://a/",
                          "http://a/\r\nb", "http://a/\x01", " http://a/", "", "https://a/b c",
                          "http://a/\" --new-window file:///C:/x", "http://a\"", "http://a/\tb",
                          "http://a/\x7F"}) {
    EXPECT_FALSE(IsLaunchableLink(bad)) << bad;
  }
  EXPECT_TRUE(IsDownloadableLink("http://127.77.0.1/skins/a.skn"));
  EXPECT_FALSE(IsDownloadableLink("https://127.77.0.1/skins/a.skn"));
  EXPECT_FALSE(IsDownloadableLink("http://127.77.0.1"));
  EXPECT_FALSE(IsDownloadableLink("file://127.77.0.1/a.skn"));
}

// Files in memory: what is on "disk", and what the open temporary file holds.
struct FakeDisk {
  std::map<std::string, std::string> files;
  std::string open;
  bool openNow = false;
  bool failCreate = false;
  bool failReplace = false;
};

bool Create(void* c, const char* path) {
  FakeDisk* d = static_cast<FakeDisk*>(c);
  if (d->failCreate) return false;
  d->files[path] = "";
  d->open = path;
  d->openNow = true;
  return true;
}
bool Write(void* c, const char* data, size_t size) {
  FakeDisk* d = static_cast<FakeDisk*>(c);
  if (!d->openNow) return false;
  d->files[d->open].append(data, size);
  return true;
}
bool Close(void* c) {
  static_cast<FakeDisk*>(c)->openNow = false;
  return true;
}
bool IsPackage(void* c, const char* path) {
  FakeDisk* d = static_cast<FakeDisk*>(c);
  const std::string& bytes = d->files[path];
  PackageBytes memory{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  return IsWholePackage(MemoryPackageSource(&memory));
}
bool Replace(void* c, const char* from, const char* to) {
  FakeDisk* d = static_cast<FakeDisk*>(c);
  if (d->failReplace || d->files.count(from) == 0) return false;
  d->files[to] = d->files[from];
  d->files.erase(from);
  return true;
}
void Remove(void* c, const char* path) { static_cast<FakeDisk*>(c)->files.erase(path); }

// The answer in pieces, then how the transport ends.
struct FakeTransport {
  std::vector<std::string> pieces;
  size_t next = 0;
  int end = 0;  // 0 closed, -1 failed
  HttpVerdict why = HttpVerdict::kReceiveError;
};

int Receive(void* c, char* buffer, size_t capacity, HttpVerdict* why) {
  FakeTransport* t = static_cast<FakeTransport*>(c);
  if (t->next == t->pieces.size()) {
    *why = t->why;
    return t->end;
  }
  std::string& piece = t->pieces[t->next];
  const size_t n = piece.size() < capacity ? piece.size() : capacity;
  memcpy(buffer, piece.data(), n);
  piece.erase(0, n);
  if (piece.empty()) ++t->next;
  return static_cast<int>(n);
}

std::string Package() {
  static const char kDoc[] = "<brand><title>T</title><code>2</code></brand>";
  static const uint8_t kImage[] = {1, 2, 3};
  const PackageInput members[] = {{"b.xml", reinterpret_cast<const uint8_t*>(kDoc), sizeof kDoc - 1},
                                  {"p.kpz", kImage, sizeof kImage}};
  uint8_t* image = nullptr;
  size_t size = 0;
  if (!MakePackage(members, 2, 3, &image, &size)) return "";
  std::string bytes(reinterpret_cast<char*>(image), size);
  free(image);
  return bytes;
}

std::string Ok(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nContent-Type: text/plain\r\n\r\n" + body;
}

// Splits an answer into pieces of `step` bytes, as a slow network hands it over.
std::vector<std::string> Pieces(const std::string& answer, size_t step) {
  std::vector<std::string> out;
  for (size_t at = 0; at < answer.size(); at += step) out.push_back(answer.substr(at, step));
  return out;
}

constexpr char kTemp[] = "C:\\skin\\skn1.tmp";
constexpr char kTarget[] = "C:\\skin\\a.skn";

SkinDownloadOutcome Download(FakeDisk* disk, FakeTransport* transport) {
  const SkinDownloadFiles files = {disk, Create, Write, Close, IsPackage, Replace, Remove};
  return RunSkinDownload(files, Receive, transport, kTemp, kTarget);
}

TEST(SkinDownload, EveryAnswerShapeKeepsTheOldFileOrReplacesItWhole) {
  const std::string package = Package();
  ASSERT_FALSE(package.empty());
  const std::string old = "old package bytes";
  struct Shape {
    const char* name;
    std::string answer;
    int end;
    HttpVerdict why;
    bool saved;
    HttpVerdict verdict;
  };
  const Shape shapes[] = {
      {"complete", Ok(package), 0, HttpVerdict::kOk, true, HttpVerdict::kOk},
      {"no length", "HTTP/1.1 200 OK\r\n\r\n" + package, 0, HttpVerdict::kOk, true, HttpVerdict::kOk},
      // Cut short without a length to tell: the catalogue member is whole, the image is not.
      {"no length, cut", "HTTP/1.1 200 OK\r\n\r\n" + package.substr(0, package.size() - 1), 0,
       HttpVerdict::kOk, false, HttpVerdict::kOk},
      {"short", Ok(package).substr(0, Ok(package).size() - 5), 0, HttpVerdict::kOk, false,
       HttpVerdict::kShortBody},
      {"long", Ok(package) + "extra", 0, HttpVerdict::kOk, false, HttpVerdict::kLongBody},
      {"empty", "", 0, HttpVerdict::kOk, false, HttpVerdict::kNoAnswer},
      {"reset", Ok(package).substr(0, 60), -1, HttpVerdict::kReceiveError, false,
       HttpVerdict::kReceiveError},
      {"stall", Ok(package).substr(0, 60), -1, HttpVerdict::kTimedOut, false, HttpVerdict::kTimedOut},
      {"stopped", Ok(package), -1, HttpVerdict::kStopped, false, HttpVerdict::kStopped},
      {"404", "HTTP/1.0 404 Not Found\r\nContent-Length: 10\r\n\r\nnot found\n", 0, HttpVerdict::kOk,
       false, HttpVerdict::kNotOk},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 0,
       HttpVerdict::kOk, false, HttpVerdict::kTransferCoding},
      {"no header end", "HTTP/1.0 200 OK\r\nX: " + std::string(9000, 'h'), 0, HttpVerdict::kOk,
       false, HttpVerdict::kNoHeaderEnd},
      {"not http", "<html>hello</html>", 0, HttpVerdict::kOk, false, HttpVerdict::kBadStatusLine},
      {"not a package", Ok("just some text, no directory"), 0, HttpVerdict::kOk, false,
       HttpVerdict::kOk},
      {"too big", "HTTP/1.0 200 OK\r\nContent-Length: 16777217\r\n\r\nxx", 0, HttpVerdict::kOk,
       false, HttpVerdict::kTooLong},
  };
  for (const Shape& shape : shapes) {
    for (size_t step : {size_t{1}, size_t{7}, size_t{4096}}) {
      if (step == 1 && shape.answer.size() > 20000) continue;
      FakeDisk disk;
      disk.files[kTarget] = old;
      FakeTransport transport;
      transport.pieces = Pieces(shape.answer, step);
      transport.end = shape.end;
      transport.why = shape.why;
      const SkinDownloadOutcome outcome = Download(&disk, &transport);
      SCOPED_TRACE(std::string(shape.name) + " in pieces of " + std::to_string(step));
      EXPECT_EQ(outcome.saved, shape.saved);
      EXPECT_EQ(outcome.verdict, shape.verdict) << HttpVerdictName(outcome.verdict);
      EXPECT_EQ(disk.files.count(kTemp), 0u) << "temporary file left";
      EXPECT_EQ(disk.files[kTarget], shape.saved ? package : old);
      EXPECT_EQ(disk.files.size(), 1u);
    }
  }
}

TEST(SkinDownload, FileFailuresFailAndLeaveNothing) {
  const std::string package = Package();
  FakeDisk disk;
  disk.files[kTarget] = "old";
  disk.failReplace = true;
  FakeTransport transport;
  transport.pieces = {Ok(package)};
  EXPECT_FALSE(Download(&disk, &transport).saved);
  EXPECT_EQ(disk.files.count(kTemp), 0u);
  EXPECT_EQ(disk.files[kTarget], "old");

  FakeDisk noCreate;
  noCreate.failCreate = true;
  FakeTransport again;
  again.pieces = {Ok(package)};
  EXPECT_FALSE(Download(&noCreate, &again).saved);
  EXPECT_TRUE(noCreate.files.empty());
  // A new file where none was: saved.
  FakeDisk fresh;
  FakeTransport third;
  third.pieces = {Ok(package)};
  EXPECT_TRUE(Download(&fresh, &third).saved);
  EXPECT_EQ(fresh.files[kTarget], package);
}

}  // namespace
