#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace {

using platform::LeadBytes;

// "C:\qb\ソフト表" in each code page: in 932 "ソ" is 0x83 0x5C and "表" 0x95 0x5C,
// in UTF-8 no byte of either is below 0x80; 1252 has a single-byte "é" instead.
const char kCp932[] = "C:\\qb\\\x83\x5C\x83\x74\x83\x67\x95\x5C";
const char kUtf8[] = "C:\\qb\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88\xE8\xA1\xA8";
const char kCp1252[] = "C:\\qb\\CAF\xE9";

TEST(CodePageText, PathsAreReadByTheCodePagesCharacters) {
  struct Case {
    unsigned codePage;
    std::string path;   // a last component with no separator of its own
  };
  const Case cases[] = {{1252, kCp1252}, {932, kCp932}, {65001, kUtf8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    const LeadBytes lead = LeadBytes::OfCodePage(c.codePage);
    EXPECT_EQ(platform::LastSeparator(c.path, lead), 5u);
    EXPECT_EQ(platform::LastSeparator(c.path + "\\x", lead), c.path.size());
    EXPECT_FALSE(platform::EndsWithCharacter(c.path, '\\', lead));
    EXPECT_TRUE(platform::EndsWithCharacter(c.path + "\\", '\\', lead));
    EXPECT_EQ(platform::TrimTrailing(c.path, "\\", lead), c.path);
    EXPECT_EQ(platform::TrimTrailing(c.path + "\\\\", "\\", lead), c.path);
    EXPECT_EQ(platform::FindCharacter(c.path, '\\', lead, 6), std::string::npos);
    EXPECT_EQ(platform::FindText(c.path + ":\\x", ":\\", lead, 3), c.path.size());
    // Only ASCII letters of their own change case; the rest is left as it is.
    EXPECT_EQ(platform::UpperSingleByte(c.path + "\\ab", lead), "C:\\QB" + c.path.substr(5) + "\\AB");
  }
}

TEST(CodePageText, TrailBytesAreNeitherSeparatorsNorLetters) {
  const LeadBytes cp932 = LeadBytes::OfCodePage(932);
  // "ソ" at the end: its 0x5C is no separator to trim, nor one to split at.
  EXPECT_EQ(platform::TrimTrailing("C:\\\x83\x5C\\", "\\", cp932), "C:\\\x83\x5C");
  EXPECT_EQ(platform::LastSeparator("\x83\x5C", cp932), std::string::npos);
  // "ポ" is 0x83 0x7C: no "|" in it.
  EXPECT_EQ(platform::FindCharacter("a\x83\x7C", '|', cp932), std::string::npos);
  EXPECT_EQ(platform::FindCharacter("a\x83\x7C|", '|', cp932), 3u);
  // "ヂ" (0x83 0x61) and "ア" (0x83 0x41) are different letters.
  EXPECT_FALSE(platform::EqualsNoCase("x\x83\x61", "X\x83\x41", cp932));
  EXPECT_TRUE(platform::EqualsNoCase("x\x83\x61", "X\x83\x61", cp932));
  // A lead byte at the very end stands alone.
  EXPECT_EQ(platform::NextCharacter("a\x83", 1, cp932), 2u);
  EXPECT_TRUE(platform::EndsWithCharacter("\x83\\", '\\', LeadBytes()));

  // The lead-byte ranges of the double-byte ANSI code pages, and none elsewhere.
  struct Range {
    unsigned codePage;
    unsigned char first, last;
  };
  for (const Range& r : {Range{932, 0x81, 0x9F}, Range{932, 0xE0, 0xFC}, Range{936, 0x81, 0xFE},
                         Range{949, 0x81, 0xFE}, Range{950, 0x81, 0xFE}}) {
    const LeadBytes lead = LeadBytes::OfCodePage(r.codePage);
    EXPECT_FALSE(lead.IsLeadByte(static_cast<unsigned char>(r.first - 1))) << r.codePage;
    EXPECT_TRUE(lead.IsLeadByte(r.first)) << r.codePage;
    EXPECT_TRUE(lead.IsLeadByte(r.last)) << r.codePage;
    EXPECT_FALSE(lead.IsLeadByte(static_cast<unsigned char>(r.last + 1))) << r.codePage;
  }
  for (unsigned codePage : {1252u, 65001u, 1251u})
    for (unsigned b = 0; b < 256; ++b)
      EXPECT_FALSE(LeadBytes::OfCodePage(codePage).IsLeadByte(static_cast<unsigned char>(b))) << codePage << " " << b;
}

}  // namespace
