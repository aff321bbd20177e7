// The payload as setup carries it: the archive compressed as one zlib stream
// (zlib format, default level), and the checks a release engineer runs on it.
#pragma once

#include <string>
#include <vector>

#include "payload_archive.h"
#include "pe_resources.h"

namespace quillon {
namespace packer {

std::vector<unsigned char> compressPayload(const std::vector<unsigned char>& archive);

// Inflates a whole stream; fails on a bad header, corrupt data, a wrong
// Adler-32, a stream cut short or bytes after its end.
bool inflatePayload(const std::vector<unsigned char>& stream, std::vector<unsigned char>* archive, std::string* error);

// The key of the payload resource: type "SETUP", name 2000, language 1033.
ResourceKey payloadType();
ResourceKey payloadName();
const uint16_t kPayloadLanguage = 1033;

// The payload stream stored in a setup program image.
bool extractPayload(const std::vector<unsigned char>& image, std::vector<unsigned char>* stream, std::string* error);

// Replaces the payload of a setup program image (every language of it) by
// `stream`, stored under 1033.
bool replacePayload(std::vector<unsigned char>* image, const std::vector<unsigned char>& stream, std::string* error,
                    std::vector<std::string>* warnings);

}  // namespace packer
}  // namespace quillon
