// The payload as setup carries it: the archive compressed as one zlib stream
// (zlib format, default level), and the checks a release engineer runs on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload_archive.h"
#include "pe_resources.h"

namespace packer {

// The archive, and the stream as a resource, have 32-bit sizes.
const uint64_t kMaxPayloadSize = 0xFFFFFFFFu;

// Empty when the archive cannot be compressed (4 GiB or more, or zlib fails).
std::vector<unsigned char> CompressPayload(const std::vector<unsigned char>& archive);
bool CompressPayload(const unsigned char* archive, uint64_t size, std::vector<unsigned char>* stream,
                     std::string* error);

// Inflates a whole stream; fails on a bad header, corrupt data, a wrong
// Adler-32, a stream cut short, bytes after its end, or a stream or archive
// of 4 GiB or more.
bool InflatePayload(const std::vector<unsigned char>& stream, std::vector<unsigned char>* archive, std::string* error);
bool InflatePayload(const unsigned char* stream, uint64_t size, std::vector<unsigned char>* archive,
                    std::string* error);

// The key of the payload resource: type "SETUP", name 2000, language 1033.
ResourceKey PayloadType();
ResourceKey PayloadName();
const uint16_t kPayloadLanguage = 1033;

// The payload stream stored in a setup program image.
bool ExtractPayload(const std::vector<unsigned char>& image, std::vector<unsigned char>* stream, std::string* error);

// Replaces the payload of a setup program image (every language of it) by
// `stream`, stored under 1033.
bool ReplacePayload(std::vector<unsigned char>* image, const std::vector<unsigned char>& stream, std::string* error,
                    std::vector<std::string>* warnings);

}  // namespace packer
