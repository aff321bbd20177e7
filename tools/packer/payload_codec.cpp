#include "payload_codec.h"

#include <zlib.h>

namespace packer {

std::vector<unsigned char> CompressPayload(const std::vector<unsigned char>& archive) {
  std::vector<unsigned char> stream;
  std::string error;
  if (!CompressPayload(archive.data(), archive.size(), &stream, &error)) stream.clear();
  return stream;
}

bool CompressPayload(const unsigned char* archive, uint64_t size, std::vector<unsigned char>* stream,
                     std::string* error) {
  stream->clear();
  if (size > kMaxPayloadSize) {
    *error = "the archive is 4 GiB or more (" + std::to_string(size) + " bytes); its sizes have 32 bits";
    return false;
  }
  uLongf streamSize = compressBound(static_cast<uLong>(size));
  stream->resize(streamSize);
  if (compress2(stream->data(), &streamSize, archive, static_cast<uLong>(size), Z_DEFAULT_COMPRESSION) != Z_OK) {
    stream->clear();
    *error = "zlib could not compress the payload";
    return false;
  }
  stream->resize(streamSize);
  return true;
}

bool InflatePayload(const std::vector<unsigned char>& stream, std::vector<unsigned char>* archive, std::string* error) {
  return InflatePayload(stream.data(), stream.size(), archive, error);
}

bool InflatePayload(const unsigned char* stream, uint64_t size, std::vector<unsigned char>* archive,
                    std::string* error) {
  archive->clear();
  if (size > kMaxPayloadSize) {
    *error = "the zlib stream is 4 GiB or more (" + std::to_string(size) + " bytes)";
    return false;
  }
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) {
    *error = "zlib could not be initialised";
    return false;
  }
  z.next_in = const_cast<Bytef*>(stream);
  z.avail_in = static_cast<uInt>(size);
  unsigned char buffer[65536];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);
    if (archive->size() + (sizeof buffer - z.avail_out) > kMaxPayloadSize) {
      inflateEnd(&z);
      archive->clear();
      *error = "the zlib stream inflates to 4 GiB or more";
      return false;
    }
    archive->insert(archive->end(), buffer, buffer + (sizeof buffer - z.avail_out));
    if (result == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  uInt left = z.avail_in;
  inflateEnd(&z);
  if (result == Z_STREAM_END) {
    if (left != 0) {
      *error = std::to_string(left) + " bytes follow the end of the zlib stream";
      return false;
    }
    return true;
  }
  if (result == Z_BUF_ERROR || result == Z_OK) {
    *error = "the zlib stream is cut short";
  } else if (result == Z_DATA_ERROR) {
    *error = std::string("the zlib stream is damaged (") + (z.msg ? z.msg : "corrupt data") + ")";
  } else {
    *error = "zlib failed with " + std::to_string(result);
  }
  return false;
}

ResourceKey PayloadType() { return ResourceKey::FromName("SETUP"); }
ResourceKey PayloadName() { return ResourceKey::FromId(2000); }

bool ExtractPayload(const std::vector<unsigned char>& image, std::vector<unsigned char>* stream, std::string* error) {
  ResourceTree tree;
  if (!ReadResources(image, &tree, error)) return false;
  auto type = tree.find(PayloadType());
  if (type == tree.end() || type->second.find(PayloadName()) == type->second.end()) {
    *error = "the program has no \"SETUP\" 2000 resource";
    return false;
  }
  const ResourceLanguages& languages = type->second.find(PayloadName())->second;
  auto english = languages.find(kPayloadLanguage);
  *stream = (english != languages.end() ? english->second : languages.begin()->second).bytes;
  return true;
}

bool ReplacePayload(std::vector<unsigned char>* image, const std::vector<unsigned char>& stream, std::string* error,
                    std::vector<std::string>* warnings) {
  ResourceTree tree;
  if (!ReadResources(*image, &tree, error)) return false;
  ResourceLanguages& languages = tree[PayloadType()][PayloadName()];
  languages.clear();
  languages[kPayloadLanguage].bytes = stream;
  return WriteResources(image, tree, error, warnings);
}

}  // namespace packer
