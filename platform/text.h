#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The lead bytes of a code page: a lead byte and the byte after it are one
// character, whatever that byte is ("ソ" is 0x83 0x5C in code page 932, and
// its 0x5C is no "\"). That is how Windows itself reads ANSI text, so paths
// are split, trimmed and compared by these characters, never by bytes.
// Without lead bytes (1252, UTF-8, whose multi-byte sequences hold no byte
// below 0x80) every byte is a character for these purposes.
class LeadBytes {
 public:
  LeadBytes() = default;
  // 932, 936, 949 and 950, the double-byte ANSI code pages; any other has none.
  static LeadBytes OfCodePage(unsigned codePage);
  void Add(unsigned char first, unsigned char last);
  bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }

 private:
  std::array<bool, 256> lead_{};
};

// Where the character after the one at `at` begins (at most text.size()).
// A lead byte at the very end is a character by itself.
std::size_t NextCharacter(std::string_view text, std::size_t at, const LeadBytes& lead);

// The first character from `from` (a character's start) that is the
// single-byte `c`; npos when there is none.
std::size_t FindCharacter(const std::string& text, char c, const LeadBytes& lead, std::size_t from = 0);
// The first place from `from` where characters spelling the ASCII `needle`
// begin; npos when there is none.
std::size_t FindText(const std::string& text, const std::string& needle, const LeadBytes& lead,
                     std::size_t from = 0);

// The last "\" or "/" that is a character of its own; npos when there is none.
std::size_t LastSeparator(const std::string& path, const LeadBytes& lead);
// Whether the last character is the single-byte `c`.
bool EndsWithCharacter(const std::string& text, char c, const LeadBytes& lead);
// Drops every character of `characters` (single-byte ones) at the end, but
// leaves `keep` bytes at least.
std::string TrimTrailing(std::string text, std::string_view characters, const LeadBytes& lead,
                         std::size_t keep = 0);

// Upper-cases the ASCII letters that are characters of their own; a trail
// byte in "a".."z" is part of another character and stays.
std::string UpperSingleByte(std::string text, const LeadBytes& lead);
// ASCII upper-casing of text without lead bytes, as Windows compares file and
// variable names.
std::string UpperAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b, const LeadBytes& lead = LeadBytes());

}  // namespace platform
