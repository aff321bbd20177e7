#pragma once

#include <cstdint>

// Little-endian fields of the payload archive and of PE images, read and
// written byte by byte so that neither alignment nor the host's order matters.
namespace platform {

inline std::uint16_t ReadU16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t ReadU64(const unsigned char* p) {
  return static_cast<std::uint64_t>(ReadU32(p)) | (static_cast<std::uint64_t>(ReadU32(p + 4)) << 32);
}

inline void WriteU16(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

inline void WriteU32(unsigned char* p, std::uint32_t v) {
  WriteU16(p, v & 0xFFFFu);
  WriteU16(p + 2, v >> 16);
}

inline void WriteU64(unsigned char* p, std::uint64_t v) {
  WriteU32(p, static_cast<std::uint32_t>(v));
  WriteU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace platform
