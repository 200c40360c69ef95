// The INI writer keeps what it does not know and puts each key where the reader finds it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ini_file.h"

namespace {

struct Edit {
  const char* section;
  const char* key;
  const char* value;
  bool ok;
};

TEST(IniFileTest, EditsKeepEverythingElseAndReadBack) {
  struct Case {
    const char* name;
    std::string before;
    std::vector<Edit> edits;
    std::string after;
  };
  const Case cases[] = {
      {"comments, blank lines and unknown keys and sections stay",
       "; mine\r\n[TarvoClock]\r\nLEFT=5\r\nMine=1\r\n\r\n[Other]\r\nx=y\r\n",
       {{"TarvoClock", "LEFT", "7", true}, {"TarvoClock", "TOP", "3", true}},
       "; mine\r\n[TarvoClock]\r\nLEFT=7\r\nMine=1\r\nTOP=3\r\n\r\n[Other]\r\nx=y\r\n"},
      {"a new key goes after the section's last key, before a comment that follows it",
       "[a]\r\nk=1\r\n; about b\r\n\r\n[b]\r\n",
       {{"a", "n", "2", true}},
       "[a]\r\nk=1\r\nn=2\r\n; about b\r\n\r\n[b]\r\n"},
      {"an empty file gets the section, keys in the order written",
       "",
       {{"TarvoClock", "LEFT", "1", true}, {"TarvoClock", "TOP", "2", true}},
       "[TarvoClock]\r\nLEFT=1\r\nTOP=2\r\n"},
      {"line feeds alone and a missing last line end are written as CR LF",
       "[a]\nk=v",
       {{"a", "k", "w", true}},
       "[a]\r\nk=w\r\n"},
      {"names match in any case; the key keeps its spelling, blanks and quotes go",
       "[TARVOCLOCK]\r\n  left = \"5\" \r\n",
       {{"TarvoClock", "LEFT", "6", true}},
       "[TARVOCLOCK]\r\nleft=6\r\n"},
      {"only the first of two sections of one name is written into",
       "[a]\r\nk=1\r\n[b]\r\n[A]\r\nk=2\r\n",
       {{"a", "k", "3", true}, {"A", "n", "4", true}},
       "[a]\r\nk=3\r\nn=4\r\n[b]\r\n[A]\r\nk=2\r\n"},
      {"a key before any section is not the section's",
       "k=0\r\n[a]\r\n",
       {{"a", "k", "1", true}},
       "k=0\r\n[a]\r\nk=1\r\n"},
      {"the byte-order mark stays",
       "\xEF\xBB\xBF[a]\r\nk=1\r\n",
       {{"a", "k", "2", true}},
       "\xEF\xBB\xBF[a]\r\nk=2\r\n"},
      {"what would not read back as written is refused and changes nothing",
       "[a]\r\nk=1\r\n",
       {{"a", "k", "x\ny", false}, {"a", "k=", "2", false}, {"a", " k", "2", false},
        {"a]", "k", "2", false}, {"a", "", "2", false}, {"a", ";k", "2", false},
        {"a", "k", "x\ry", true}},
       "[a]\r\nk=x\ry\r\n"},
  };
  for (const Case& c : cases) {
    IniFile file;
    file.Parse(c.before.data(), c.before.size());
    for (const Edit& edit : c.edits) {
      EXPECT_EQ(file.Set(edit.section, edit.key, edit.value), edit.ok) << c.name << ": " << edit.key;
    }
    const std::string text = file.Text();
    EXPECT_EQ(text, c.after) << c.name;
    // What was written is what a fresh read of the text finds.
    IniFile again;
    again.Parse(text.data(), text.size());
    for (const Edit& edit : c.edits) {
      if (!edit.ok) continue;
      const std::string* value = again.Find(edit.section, edit.key);
      ASSERT_NE(value, nullptr) << c.name;
      EXPECT_EQ(*value, std::string(file.Find(edit.section, edit.key)->c_str())) << c.name;
    }
  }
}

TEST(IniFileTest, SectionStringsAreThoseOfTheFirstSectionWithValuesAsWritten) {
  const std::string text = "[PlayList]\r\n PlayNo = 1 \r\n; FILE0009=x\r\nno equals\r\nFILE0000=\"a b\"\r\n"
                           "[Other]\r\nFILE0001=c\r\n[playlist]\r\nFILE0002=d\r\n";
  IniFile file;
  file.Parse(text.data(), text.size());
  const char expected[] = "PlayNo=1\0FILE0000=\"a b\"\0";  // and the array's own closing zero
  EXPECT_EQ(file.SectionStrings("playlist"), std::string(expected, sizeof expected));
  EXPECT_EQ(file.SectionStrings("Missing"), std::string(1, '\0'));
}

}  // namespace
