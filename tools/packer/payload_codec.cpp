#include "payload_codec.h"

#include <zlib.h>

namespace quillon {
namespace packer {

std::vector<unsigned char> compressPayload(const std::vector<unsigned char>& archive) {
  uLongf size = compressBound(static_cast<uLong>(archive.size()));
  std::vector<unsigned char> stream(size);
  if (compress2(stream.data(), &size, archive.data(), static_cast<uLong>(archive.size()), Z_DEFAULT_COMPRESSION) !=
      Z_OK) {
    return std::vector<unsigned char>();
  }
  stream.resize(size);
  return stream;
}

bool inflatePayload(const std::vector<unsigned char>& stream, std::vector<unsigned char>* archive, std::string* error) {
  archive->clear();
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) {
    *error = "zlib could not be initialised";
    return false;
  }
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  unsigned char buffer[65536];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);
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

ResourceKey payloadType() { return ResourceKey::fromName("SETUP"); }
ResourceKey payloadName() { return ResourceKey::fromId(2000); }

bool extractPayload(const std::vector<unsigned char>& image, std::vector<unsigned char>* stream, std::string* error) {
  ResourceTree tree;
  if (!readResources(image, &tree, error)) return false;
  auto type = tree.find(payloadType());
  if (type == tree.end() || type->second.find(payloadName()) == type->second.end()) {
    *error = "the program has no \"SETUP\" 2000 resource";
    return false;
  }
  const ResourceLanguages& languages = type->second.find(payloadName())->second;
  auto english = languages.find(kPayloadLanguage);
  *stream = (english != languages.end() ? english->second : languages.begin()->second).bytes;
  return true;
}

bool replacePayload(std::vector<unsigned char>* image, const std::vector<unsigned char>& stream, std::string* error,
                    std::vector<std::string>* warnings) {
  ResourceTree tree;
  if (!readResources(*image, &tree, error)) return false;
  ResourceLanguages& languages = tree[payloadType()][payloadName()];
  languages.clear();
  languages[kPayloadLanguage].bytes = stream;
  return writeResources(image, tree, error, warnings);
}

}  // namespace packer
}  // namespace quillon
