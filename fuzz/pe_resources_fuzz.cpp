// The packer's PE resource reader and rewriter on an arbitrary image: each
// refuses with a reason or succeeds, and a refused rewrite leaves the image
// alone. A rewrite that succeeds gives back, read again, exactly the tree
// that was written, with the payload replaced and a correct check sum.
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "payload_codec.h"
#include "pe_resources.h"

using namespace packer;

namespace {

bool sameTree(const ResourceTree& a, const ResourceTree& b) {
  if (a.size() != b.size()) return false;
  for (auto t = a.begin(), u = b.begin(); t != a.end(); ++t, ++u) {
    if (!(t->first == u->first) || t->second.size() != u->second.size()) return false;
    for (auto n = t->second.begin(), m = u->second.begin(); n != t->second.end(); ++n, ++m) {
      if (!(n->first == m->first) || n->second.size() != m->second.size()) return false;
      for (auto l = n->second.begin(), k = m->second.begin(); l != n->second.end(); ++l, ++k) {
        if (l->first != k->first || l->second.codePage != k->second.codePage || l->second.bytes != k->second.bytes) {
          return false;
        }
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<unsigned char> image(data, data + size);
  ResourceTree tree;
  std::string error;
  if (!ReadResources(image, &tree, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  // The last byte sizes the new payload (0 to 16 KiB), so some rewrites grow
  // the section and move what follows it.
  std::vector<unsigned char> payload(size == 0 ? 0 : data[size - 1] * 64u + 1u);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(i * 13 + 7);
  ResourceTree expected = tree;
  ResourceLanguages& languages = expected[PayloadType()][PayloadName()];
  languages.clear();
  languages[kPayloadLanguage].bytes = payload;

  std::vector<unsigned char> out = image;
  std::vector<std::string> warnings;
  error.clear();
  if (!ReplacePayload(&out, payload, &error, &warnings)) {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(out == image);
    return 0;
  }
  ResourceTree back;
  bool reread = ReadResources(out, &back, &error);
  if (!reread) std::fprintf(stderr, "re-reading the rewrite: %s\n", error.c_str());
  FUZZ_CHECK(reread);
  FUZZ_CHECK(sameTree(expected, back));
  std::vector<unsigned char> stream;
  FUZZ_CHECK(ExtractPayload(out, &stream, &error) && stream == payload);
  return 0;
}
