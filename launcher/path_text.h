// A path, or a line made of one, held in place. The worker's texts come from
// here, so that it makes no allocation it cannot check: each is at most a
// module path (520 bytes) long.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace launcher {

class PathText {
 public:
  static constexpr size_t kCapacity = 520;

  PathText() { text_[0] = '\0'; }
  PathText(const PathText&) = default;
  PathText& operator=(const PathText&) = default;

  // Each returns false, and leaves the text empty, when the result would not
  // fit: a text is never cut short.
  bool Assign(std::string_view text) {
    clear();
    return Append(text);
  }
  bool Append(std::string_view text) {
    if (text.size() > kCapacity - size_) {
      clear();
      return false;
    }
    std::memcpy(text_ + size_, text.data(), text.size());
    size_ += text.size();
    text_[size_] = '\0';
    return true;
  }
  // One byte; a text that overflows is empty from then on and reports it.
  void push_back(char c) {
    if (overflowed_) return;
    if (size_ == kCapacity) {
      clear();
      overflowed_ = true;
      return;
    }
    text_[size_++] = c;
    text_[size_] = '\0';
  }
  bool overflowed() const { return overflowed_; }
  void clear() {
    size_ = 0;
    text_[0] = '\0';
    overflowed_ = false;
  }

  const char* c_str() const { return text_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return std::string_view(text_, size_); }
  bool operator==(std::string_view other) const { return view() == other; }
  bool operator!=(std::string_view other) const { return view() != other; }

 private:
  char text_[kCapacity + 1];
  size_t size_ = 0;
  bool overflowed_ = false;
};

}  // namespace launcher
