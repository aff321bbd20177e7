// Reading and rewriting the resource section of a PE image (32- or 64-bit)
// without any Windows API, so that a payload can be replaced from Linux.
// Every offset in the input is checked; a malformed image is refused with a
// message, never read out of bounds.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace packer {

// A resource type or name: a 16-bit id or a (UTF-16) string.
struct ResourceKey {
  bool isString = false;
  uint16_t id = 0;
  std::u16string name;

  static ResourceKey FromId(uint16_t id);
  static ResourceKey FromName(const std::string& ascii);
  std::string Describe() const;
  // Named keys first, each group ascending: the order the format demands.
  bool operator<(const ResourceKey& other) const;
  bool operator==(const ResourceKey& other) const;
};

struct ResourceData {
  uint32_t codePage = 0;
  std::vector<unsigned char> bytes;
};

// type -> name -> language -> data
using ResourceLanguages = std::map<uint16_t, ResourceData>;
using ResourceNames = std::map<ResourceKey, ResourceLanguages>;
using ResourceTree = std::map<ResourceKey, ResourceNames>;

bool ReadResources(const std::vector<unsigned char>& image, ResourceTree* tree, std::string* error);

// Replaces the image's resource section by one built from `tree`. Sections
// after it move when it grows, if they may (discardable ones such as base
// relocations and debug information, which nothing addresses); the header check sum is recomputed and an
// Authenticode signature, which no longer matches, is dropped.
bool WriteResources(std::vector<unsigned char>* image, const ResourceTree& tree, std::string* error,
                    std::vector<std::string>* warnings);

// The PE check sum of an image whose check sum field is at `checkSumOffset`.
uint32_t PeCheckSum(const std::vector<unsigned char>& image, size_t checkSumOffset);

}  // namespace packer
