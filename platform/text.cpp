#include "platform/text.h"

#include <utility>

namespace platform {

std::string UpperAscii(std::string text) { return UpperSingleByte(std::move(text), LeadBytes()); }

LeadBytes LeadBytes::OfCodePage(unsigned codePage) {
  LeadBytes lead;
  switch (codePage) {
    case 932:
      lead.Add(0x81, 0x9F);
      lead.Add(0xE0, 0xFC);
      break;
    case 936:
    case 949:
    case 950:
      lead.Add(0x81, 0xFE);
      break;
    default:
      break;
  }
  return lead;
}

void LeadBytes::Add(unsigned char first, unsigned char last) {
  for (unsigned b = first; b <= last; ++b) lead_[b] = true;
}

std::size_t NextCharacter(std::string_view text, std::size_t at, const LeadBytes& lead) {
  if (at >= text.size()) return text.size();
  return at + (lead.IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1);
}

std::size_t FindCharacter(const std::string& text, char c, const LeadBytes& lead, std::size_t from) {
  for (std::size_t i = from; i < text.size(); i = NextCharacter(text, i, lead))
    if (text[i] == c) return i;
  return std::string::npos;
}

std::size_t FindText(const std::string& text, const std::string& needle, const LeadBytes& lead, std::size_t from) {
  // An ASCII needle starts with a byte that is no lead byte, so from a match
  // at a character's start every byte of it is a character of its own.
  for (std::size_t i = from; i < text.size(); i = NextCharacter(text, i, lead))
    if (text.compare(i, needle.size(), needle) == 0) return i;
  return std::string::npos;
}

std::size_t LastSeparator(const std::string& path, const LeadBytes& lead) {
  // A trail byte may equal a lead byte, so characters are only found from the start.
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i = NextCharacter(path, i, lead))
    if (path[i] == '\\' || path[i] == '/') last = i;
  return last;
}

bool EndsWithCharacter(const std::string& text, char c, const LeadBytes& lead) {
  if (text.empty()) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i, lead)) start = i;
  return start == text.size() - 1 && text[start] == c;
}

std::string TrimTrailing(std::string text, std::string_view characters, const LeadBytes& lead, std::size_t keep) {
  // The end of the last character that is to stay.
  std::size_t end = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t next = NextCharacter(text, i, lead);
    if (next != i + 1 || characters.find(text[i]) == std::string_view::npos) end = next;
    i = next;
  }
  if (end < keep) end = keep < text.size() ? keep : text.size();
  text.resize(end);
  return text;
}

std::string UpperSingleByte(std::string text, const LeadBytes& lead) {
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i, lead))
    if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b, const LeadBytes& lead) {
  return UpperSingleByte(a, lead) == UpperSingleByte(b, lead);
}

}  // namespace platform
