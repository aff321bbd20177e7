#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "package_inputs.h"
#include "payload_codec.h"
#include "pe_relocations.h"
#include "pe_resources.h"
#include "test_pe_image.h"

namespace packer {
namespace {

using Bytes = std::vector<unsigned char>;

ResourceTree sampleTree(size_t payloadSize) {
  ResourceTree tree;
  Bytes payload(payloadSize);
  for (size_t i = 0; i < payloadSize; ++i) payload[i] = static_cast<unsigned char>(i * 31 + 1);
  tree[PayloadType()][PayloadName()][kPayloadLanguage].bytes = payload;
  tree[ResourceKey::FromId(3)][ResourceKey::FromId(1)][1033].bytes = Bytes(40, 0x11);
  tree[ResourceKey::FromId(3)][ResourceKey::FromId(2)][1033].bytes = Bytes(3, 0x22);
  tree[ResourceKey::FromId(14)][ResourceKey::FromId(1000)][1033].bytes = Bytes(20, 0x33);
  tree[ResourceKey::FromId(5)][ResourceKey::FromName("NAMED")][1031] = {1252, Bytes(9, 0x44)};
  tree[ResourceKey::FromId(5)][ResourceKey::FromName("NAMED")][1033].bytes = Bytes(7, 0x55);
  return tree;
}

void expectSameTree(const ResourceTree& a, const ResourceTree& b) {
  ASSERT_EQ(a.size(), b.size());
  for (const auto& t : a) {
    ASSERT_TRUE(b.count(t.first)) << t.first.Describe();
    const ResourceNames& names = b.at(t.first);
    ASSERT_EQ(t.second.size(), names.size()) << t.first.Describe();
    for (const auto& n : t.second) {
      ASSERT_TRUE(names.count(n.first)) << n.first.Describe();
      const ResourceLanguages& languages = names.at(n.first);
      ASSERT_EQ(n.second.size(), languages.size());
      for (const auto& l : n.second) {
        ASSERT_TRUE(languages.count(l.first)) << l.first;
        EXPECT_EQ(l.second.bytes, languages.at(l.first).bytes) << t.first.Describe() << "/" << n.first.Describe();
        EXPECT_EQ(l.second.codePage, languages.at(l.first).codePage);
      }
    }
  }
}

class PeResources : public ::testing::TestWithParam<bool> {};

TEST_P(PeResources, WritesAReadableTreeAndMovesRelocationsWhenItGrows) {
  TestImage t = makeImage(GetParam());
  const Bytes original = t.bytes;
  std::string error;
  ResourceTree tree = sampleTree(100);
  ASSERT_TRUE(WriteResources(&t.bytes, tree, &error, nullptr)) << error;
  ResourceTree back;
  ASSERT_TRUE(ReadResources(t.bytes, &back, &error)) << error;
  expectSameTree(tree, back);
  EXPECT_EQ(0x3000u, t.sectionVa(2)) << "a small tree fits where the old one was";

  // A payload larger than the room before .reloc pushes it up.
  Bytes payload(0x5432, 0x7E);
  std::vector<std::string> warnings;
  ASSERT_TRUE(ReplacePayload(&t.bytes, payload, &error, &warnings)) << error;
  EXPECT_TRUE(warnings.empty());
  Bytes extracted;
  ASSERT_TRUE(ExtractPayload(t.bytes, &extracted, &error)) << error;
  EXPECT_EQ(payload, extracted);
  ASSERT_TRUE(ReadResources(t.bytes, &back, &error)) << error;
  tree[PayloadType()][PayloadName()][kPayloadLanguage].bytes = payload;
  expectSameTree(tree, back);

  uint32_t resourceSize = t.directorySize(2);
  EXPECT_GT(resourceSize, 0x5432u);
  EXPECT_EQ(0x2000u, t.directoryRva(2));
  uint32_t relocVa = t.sectionVa(2);
  EXPECT_GE(relocVa, 0x2000u + resourceSize);
  EXPECT_EQ(0u, relocVa % 0x1000);
  EXPECT_EQ(relocVa, t.directoryRva(5)) << "the base relocation directory follows its section";
  EXPECT_EQ(0x20u, t.directorySize(5));
  EXPECT_EQ(relocVa + 0x1000u, get32(t.bytes, t.optional + 56)) << "SizeOfImage";
  // Code stays put byte for byte; relocations and symbols move intact.
  EXPECT_EQ(0x400u, t.sectionRaw(0));
  EXPECT_TRUE(std::equal(original.begin() + 0x400, original.begin() + 0x600, t.bytes.begin() + 0x400));
  uint32_t relocRaw = t.sectionRaw(2);
  EXPECT_EQ(0u, relocRaw % 0x200);
  EXPECT_TRUE(std::equal(original.begin() + 0x800, original.begin() + 0xA00, t.bytes.begin() + relocRaw));
  uint32_t symbols = get32(t.bytes, 0x84 + 8);
  EXPECT_EQ(relocRaw + 0x200u, symbols);
  EXPECT_TRUE(std::equal(original.begin() + 0xA00, original.end(), t.bytes.begin() + symbols));
  EXPECT_EQ(PeCheckSum(t.bytes, t.optional + 64), get32(t.bytes, t.optional + 64));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeResources, ::testing::Bool());

TEST(PeResourcesGrowth, StopsAtASectionThatCannotMove) {
  TestImage t = makeImage(true, 0x40000040u);  // not discardable: something may address it
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(100), &error, nullptr)) << error;
  Bytes before = t.bytes;
  EXPECT_FALSE(ReplacePayload(&t.bytes, Bytes(0x3000, 1), &error, nullptr));
  EXPECT_NE(std::string::npos, error.find(".reloc")) << error;
  EXPECT_EQ(before, t.bytes) << "a refused rewrite leaves the image alone";
}

TEST(PeResourcesGrowth, DebugDirectoryEntriesFollowTheirData) {
  TestImage t = makeImage(true);
  // A debug directory inside .reloc whose entry points at data in .reloc.
  put32(t.bytes, t.directories + 8 * 6, 0x3040);
  put32(t.bytes, t.directories + 8 * 6 + 4, 28);
  put32(t.bytes, 0x840 + 20, 0x3080);
  put32(t.bytes, 0x840 + 24, 0x880);
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(0x4000), &error, nullptr)) << error;
  uint32_t relocVa = t.sectionVa(2), relocRaw = t.sectionRaw(2);
  ASSERT_NE(0x3000u, relocVa);
  EXPECT_EQ(relocVa + 0x40, t.directoryRva(6));
  EXPECT_EQ(relocVa + 0x80, get32(t.bytes, relocRaw + 0x40 + 20));
  EXPECT_EQ(relocRaw + 0x80, get32(t.bytes, relocRaw + 0x40 + 24));
}

TEST(PeResourcesGrowth, DropsASignatureThatNoLongerMatches) {
  TestImage t = makeImage(false);
  put32(t.bytes, t.directories + 8 * 4, 0xA40);
  put32(t.bytes, t.directories + 8 * 4 + 4, 8);
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(10), &error, &warnings)) << error;
  EXPECT_EQ(0u, t.directoryRva(4));
  EXPECT_EQ(1u, warnings.size());
}

TEST(PeResourcesMalformed, RefusesWithAReasonAndNeverReadsOutside) {
  TestImage t = makeImage(true);
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(300), &error, nullptr)) << error;
  const Bytes good = t.bytes;
  // Every cut of the image, and every byte of the headers and the resource
  // section set to 0xFF in turn: the reader either succeeds or says why,
  // and the sanitizers see no stray read.
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    Bytes b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    ResourceTree tree;
    if (!ReadResources(b, &tree, &error)) {
      EXPECT_FALSE(error.empty());
    }
  }
  size_t resourceRaw = t.sectionRaw(1);
  for (size_t i = 0; i < resourceRaw + 0x200; ++i) {
    if (i >= 0x400 && i < resourceRaw) continue;
    Bytes b = good;
    b[i] = 0xFF;
    ResourceTree tree;
    Bytes stream;
    if (ReadResources(b, &tree, &error)) {
      ReplacePayload(&b, Bytes(5000, 2), &error, nullptr);
    } else {
      EXPECT_FALSE(error.empty()) << i;
    }
  }
}

TEST(PeResourcesMalformed, KnownDamage) {
  TestImage t = makeImage(true);
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(50), &error, nullptr)) << error;
  size_t root = t.sectionRaw(1);
  struct Case {
    const char* label;
    void (*damage)(Bytes&, size_t root, const TestImage&);
    const char* expected;
  };
  const Case cases[] = {
      {"noMz", [](Bytes& b, size_t, const TestImage&) { b[0] = 'X'; }, "MZ"},
      {"peOffsetOutside", [](Bytes& b, size_t, const TestImage&) { put32(b, 0x3C, 0xFFFFFFF0u); }, "PE signature"},
      {"entryCountHuge", [](Bytes& b, size_t r, const TestImage&) { put16(b, r + 14, 0xFFFF); }, "run past"},
      {"subdirectoryOutside",
       [](Bytes& b, size_t r, const TestImage&) { put32(b, r + 16 + 4, 0x80000000u | 0x7FFFFFF0u); }, "outside"},
      {"leafAtTypeLevel", [](Bytes& b, size_t r, const TestImage&) { put32(b, r + 16 + 4, 0x10); }, "no directory"},
      {"noResources", [](Bytes& b, size_t, const TestImage& image) { put32(b, image.directories + 16, 0); }, "no resources"},
      {"sectionOutsideFile",
       [](Bytes& b, size_t, const TestImage& image) { put32(b, image.section(2) + 20, 0x7FFFFF00u); }, "outside the file"},
  };
  for (const Case& c : cases) {
    Bytes b = t.bytes;
    c.damage(b, root, t);
    ResourceTree tree;
    EXPECT_FALSE(ReadResources(b, &tree, &error)) << c.label;
    EXPECT_NE(std::string::npos, error.find(c.expected)) << c.label << ": " << error;
  }
}

// Rewriting must never write outside the new image: a layout whose headers,
// section table or sections do not lie where the rewrite puts them back is
// refused as a whole and the image stays as it was.
TEST(PeResourcesMalformed, RefusesALayoutItCannotRewrite) {
  TestImage t = makeImage(true);
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(3000), &error, nullptr)) << error;
  const TestImage good = t;
  struct Case {
    const char* label;
    void (*damage)(TestImage&);
    const char* expected;
  };
  const Case cases[] = {
      // The PE headers moved behind every section, into what would be the overlay.
      {"headersAfterSections",
       [](TestImage& image) {
         Bytes& b = image.bytes;
         size_t end = image.section(3);
         size_t moved = b.size();
         b.insert(b.end(), b.begin() + 0x80, b.begin() + static_cast<std::ptrdiff_t>(end));
         put32(b, 0x3C, static_cast<uint32_t>(moved));
       },
       "headers"},
      // The headers at the end of the resources' own file data, the last in
      // the file: a smaller rewrite would write the section table past its end.
      {"headersInsideResourceData",
       [](TestImage& image) {
         Bytes& b = image.bytes;
         put32(b, image.section(2) + 16, 0);
         size_t end = image.sectionRaw(1) + get32(b, image.section(1) + 16);
         b.resize(end);
         size_t length = image.section(3) - 0x80;
         std::copy(b.begin() + 0x80, b.begin() + 0x80 + static_cast<std::ptrdiff_t>(length),
                   b.end() - static_cast<std::ptrdiff_t>(length));
         put32(b, 0x3C, static_cast<uint32_t>(end - length));
       },
       "headers"},
      {"sectionTableOutsideHeaders",
       [](TestImage& image) { put32(image.bytes, image.optional + 60, static_cast<uint32_t>(image.section(2))); },
       "section table"},
      {"sectionDataInsideHeaders",
       [](TestImage& image) { put32(image.bytes, image.optional + 60, 0x600); },
       "headers"},
      {"sectionsOverlap",
       [](TestImage& image) { put32(image.bytes, image.section(2) + 20, image.sectionRaw(1) + 0x200); },
       "overlap"},
      {"addressesOverlap",
       [](TestImage& image) { put32(image.bytes, image.section(0) + 8, 0x1800); },
       "address"},
      // A debug directory inside the resources: the rebuilt section would
      // lose it, and moving its entries would write into the new resources.
      {"debugDirectoryInResources",
       [](TestImage& image) {
         put32(image.bytes, image.directories + 8 * 6, image.sectionVa(1) + 0x10);
         put32(image.bytes, image.directories + 8 * 6 + 4, 28);
       },
       "resources"},
      // ...or in the gap after them, which a larger rewrite fills.
      {"debugDirectoryAfterResources",
       [](TestImage& image) {
         put32(image.bytes, image.directories + 8 * 6, image.sectionVa(1) + 0x600);
         put32(image.bytes, image.directories + 8 * 6 + 4, 28);
       },
       "outside every section"},
  };
  for (const Case& c : cases) {
    TestImage damaged = good;
    c.damage(damaged);
    const Bytes before = damaged.bytes;
    error.clear();
    EXPECT_FALSE(WriteResources(&damaged.bytes, sampleTree(10), &error, nullptr)) << c.label;
    EXPECT_NE(std::string::npos, error.find(c.expected)) << c.label << ": " << error;
    EXPECT_TRUE(before == damaged.bytes) << c.label << ": a refused rewrite leaves the image alone";
  }
}

// A resource section whose directories are shared: `types` type entries all
// lead to one name directory, whose one entry leads to a language directory
// of `languages` entries that all name one data entry of `size` bytes.
Bytes sharedResourceTree(uint32_t types, uint32_t languages, uint32_t size, TestImage* image) {
  *image = makeImage(true);
  std::string error;
  uint32_t names = 16 + 8 * types, languageDirectory = names + 24, data = languageDirectory + 16 + 8 * languages;
  uint32_t blob = data + 16;
  EXPECT_TRUE(WriteResources(&image->bytes, sampleTree(blob + size), &error, nullptr)) << error;
  Bytes section(blob + size, 0);
  put16(section, 14, types);
  for (uint32_t i = 0; i < types; ++i) {
    put32(section, 16 + 8 * i, i + 1);
    put32(section, 16 + 8 * i + 4, 0x80000000u | names);
  }
  put16(section, names + 14, 1);
  put32(section, names + 16, 1);
  put32(section, names + 20, 0x80000000u | languageDirectory);
  put16(section, languageDirectory + 14, languages);
  for (uint32_t i = 0; i < languages; ++i) {
    put32(section, languageDirectory + 16 + 8 * i, 1000 + i);
    put32(section, languageDirectory + 16 + 8 * i + 4, data);
  }
  put32(section, data, image->sectionVa(1) + blob);
  put32(section, data + 4, size);
  std::copy(section.begin(), section.end(), image->bytes.begin() + image->sectionRaw(1));
  return image->bytes;
}

TEST(PeResourcesMalformed, RefusesSharedDirectoriesAndDataInsteadOfCopyingThemOverAndOver) {
  struct Case {
    const char* label;
    uint32_t types, languages, size;
  };
  const Case cases[] = {
      {"oneBlobManyTimes", 50, 50, 0x2000},  // 2500 copies of 8 KiB from a 24 KiB image
      {"sharedEmptyDirectories", 3000, 0, 0},  // one empty language directory, walked 3000 times
      {"sharedNameDirectory", 2, 1, 16},
  };
  for (const Case& c : cases) {
    TestImage t;
    Bytes image = sharedResourceTree(c.types, c.languages, c.size, &t);
    ResourceTree tree;
    std::string error;
    EXPECT_FALSE(ReadResources(image, &tree, &error)) << c.label;
    EXPECT_NE(std::string::npos, error.find("more than once")) << c.label << ": " << error;
  }
  // One directory per key, as a resource compiler writes it, still reads.
  TestImage t;
  Bytes image = sharedResourceTree(1, 1, 100, &t);
  ResourceTree tree;
  std::string error;
  ASSERT_TRUE(ReadResources(image, &tree, &error)) << error;
  EXPECT_EQ(100u, tree[ResourceKey::FromId(1)][ResourceKey::FromId(1)][1000].bytes.size());
}

TEST(PeResourcesMalformed, BoundsTheDataItCopies) {
  // Distinct data entries that all describe the same bytes: each is read
  // once, but together they are more than the whole image.
  TestImage t = makeImage(true);
  const uint32_t count = 64, size = 0x1000;
  uint32_t languageDirectory = 16 + 8 + 16 + 8, data = languageDirectory + 16 + 8 * count, blob = data + 16 * count;
  std::string error;
  ASSERT_TRUE(WriteResources(&t.bytes, sampleTree(blob + size), &error, nullptr)) << error;
  Bytes section(blob + size, 0);
  put16(section, 14, 1);
  put32(section, 16, 3);
  put32(section, 20, 0x80000000u | 24);
  put16(section, 24 + 14, 1);
  put32(section, 24 + 16, 1);
  put32(section, 24 + 20, 0x80000000u | languageDirectory);
  put16(section, languageDirectory + 14, count);
  for (uint32_t i = 0; i < count; ++i) {
    put32(section, languageDirectory + 16 + 8 * i, i);
    put32(section, languageDirectory + 16 + 8 * i + 4, data + 16 * i);
    put32(section, data + 16 * i, t.sectionVa(1) + blob);
    put32(section, data + 16 * i + 4, size);
  }
  std::copy(section.begin(), section.end(), t.bytes.begin() + t.sectionRaw(1));
  ResourceTree tree;
  EXPECT_FALSE(ReadResources(t.bytes, &tree, &error));
  EXPECT_NE(std::string::npos, error.find("more data than the image")) << error;
}

// Windows loads these DYNAMIC_BASE images at a random base and applies their
// base relocations; Wine loads them where they were linked. A fixup the
// rewrite damaged would crash on Windows only, so every rewrite is checked
// against the image it came from.
TEST(PeRelocations, SurviveRewritesOfEveryLayout) {
  struct Case {
    const char* label;
    bool pe32plus, relocationsFirst;
    size_t payload;
    bool relocationsMove;
  };
  const Case cases[] = {
      {"pe32, room to spare", false, false, 100, false},
      {"pe32, pushing .reloc up", false, false, 0x5432, true},
      {"pe32+, room to spare", true, false, 100, false},
      {"pe32+, pushing .reloc up", true, false, 0x5432, true},
      // .reloc before the resources: they grow at the end, and it stays.
      {"pe32, .reloc first, small", false, true, 100, false},
      {"pe32, .reloc first, large", false, true, 0x5432, false},
      {"pe32+, .reloc first, small", true, true, 100, false},
      {"pe32+, .reloc first, large", true, true, 0x5432, false},
  };
  for (const Case& c : cases) {
    TestImage t = makeImage(c.pe32plus, 0x42000040u, c.relocationsFirst);
    const Bytes before = t.bytes;
    const uint32_t relocationVa = t.sectionVa(t.relocations);
    std::string error;
    ASSERT_TRUE(ReplacePayload(&t.bytes, Bytes(c.payload, 0x7E), &error, nullptr)) << c.label << ": " << error;
    std::string why;
    size_t fixups = 0;
    EXPECT_TRUE(testing_pe::RelocationsSurvive(before, t.bytes, &why, &fixups)) << c.label << ": " << why;
    EXPECT_EQ(kRelocationFixups, fixups) << c.label;
    EXPECT_EQ(c.relocationsMove, t.sectionVa(t.relocations) != relocationVa) << c.label;
    uint32_t imageEnd = t.sectionVa(t.resources) + t.directorySize(2);
    EXPECT_GE(get32(t.bytes, t.optional + 56), imageEnd) << c.label << ": SizeOfImage covers the resources";
  }
}

Bytes readCorpusImage(const std::string& name) {
  std::ifstream in(std::string(QUILLON_PE_CORPUS_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PeRelocations, SurviveRewritesOfTheCorpusImages) {
  for (const char* name : {"pe32", "pe32plus", "bare_pe32plus"}) {
    Bytes image = readCorpusImage(name);
    ASSERT_FALSE(image.empty()) << name;
    testing_pe::PeLayout pe;
    std::string why;
    ASSERT_TRUE(testing_pe::ParsePe(image, &pe, &why)) << name << ": " << why;
    size_t home = testing_pe::SectionHolding(pe, pe.relocationRva, pe.relocationSize);
    ASSERT_NE(SIZE_MAX, home) << name;
    ASSERT_EQ(kRelocationBlockSize, pe.relocationSize) << name;
    // Images written before the test image carried a real block hold filler
    // there; one that does already gets the same bytes again.
    const testing_pe::PeSection& reloc = pe.sections[home];
    putRelocations(image, reloc.rawOffset + (pe.relocationRva - reloc.virtualAddress), pe.pe32plus);
    for (size_t payload : {size_t{100}, size_t{0x5432}}) {
      Bytes after = image;
      std::string error;
      ASSERT_TRUE(ReplacePayload(&after, Bytes(payload, 0x7E), &error, nullptr)) << name << ": " << error;
      size_t fixups = 0;
      EXPECT_TRUE(testing_pe::RelocationsSurvive(image, after, &why, &fixups)) << name << ", " << payload << ": " << why;
      EXPECT_EQ(kRelocationFixups, fixups) << name;
      testing_pe::PeLayout rewritten;
      ASSERT_TRUE(testing_pe::ParsePe(after, &rewritten, &why)) << why;
      EXPECT_EQ(payload > 0x1000, rewritten.sections[home].virtualAddress != reloc.virtualAddress)
          << name << ", " << payload << ": only a payload beyond the resources' room moves .reloc";
    }
  }
}

TEST(PeRelocations, TheCheckCatchesDamage) {
  TestImage before = makeImage(true);
  TestImage after = before;
  std::string error, why;
  ASSERT_TRUE(ReplacePayload(&after.bytes, Bytes(0x5432, 0x7E), &error, nullptr)) << error;
  ASSERT_NE(before.sectionVa(2), after.sectionVa(2)) << "the damage below assumes .reloc moved";
  ASSERT_TRUE(testing_pe::RelocationsSurvive(before.bytes, after.bytes, &why)) << why;
  // Which images a damage goes to: damage to both changes the relocations
  // themselves, which a rewrite keeps as they are.
  enum Images { kAfter = 1, kBefore = 2, kBoth = 3 };
  struct Case {
    const char* label;
    Images images;
    void (*damage)(TestImage& image);
    const char* expected;
  };
  const Case cases[] = {
      {"relocationByteFlipped", kAfter, [](TestImage& t) { t.bytes[t.sectionRaw(2) + 9] ^= 0x01; }, "relocations differ"},
      {"directoryShifted", kAfter, [](TestImage& t) { put32(t.bytes, t.directories + 40, t.directoryRva(5) + 4); },
       "belongs at"},
      {"directoryLeftBehind", kAfter, [](TestImage& t) { put32(t.bytes, t.directories + 40, 0x3000); }, "belongs at"},
      {"directoryShrunk", kAfter,
       [](TestImage& t) { put32(t.bytes, t.directories + 44, kRelocationBlockSize - 4); }, "size changed"},
      {"fixupTargetChanged", kAfter, [](TestImage& t) { t.bytes[t.sectionRaw(0) + 4 + 0x2C * 3 + 7] ^= 0x80; },
       "changed"},
      {"codeMoved", kAfter, [](TestImage& t) { put32(t.bytes, t.section(0) + 12, 0x800); }, "moved in memory"},
      {"sectionRenamed", kAfter, [](TestImage& t) { t.bytes[t.section(0) + 1] = 'T'; }, "is now .Text"},
      {"fixupIntoAMovedSection", kBoth, [](TestImage& t) { put32(t.bytes, t.sectionRaw(2), 0x3000); }, "which moved"},
      {"fixupOutsideEverySection", kBoth, [](TestImage& t) { put32(t.bytes, t.sectionRaw(2), 0x100000); },
       "outside every section"},
      {"unknownFixupType", kBoth, [](TestImage& t) { put16(t.bytes, t.sectionRaw(2) + 8, 0x5004); }, "type 5"},
      {"blockSizeZero", kBoth, [](TestImage& t) { put32(t.bytes, t.sectionRaw(2) + 4, 0); }, "has size 0x0"},
      {"blockPastTheDirectory", kBoth, [](TestImage& t) { put32(t.bytes, t.sectionRaw(2) + 4, 0x40); },
       "has size 0x40"},
      {"afterCutShort", kAfter, [](TestImage& t) { t.bytes.resize(0x100); }, "after: "},
      {"beforeNotPe", kBefore, [](TestImage& t) { t.bytes[0x80] = 'X'; }, "before: no PE signature"},
  };
  for (const Case& c : cases) {
    TestImage b = before, a = after;
    if (c.images & kBefore) c.damage(b);
    if (c.images & kAfter) c.damage(a);
    why.clear();
    EXPECT_FALSE(testing_pe::RelocationsSurvive(b.bytes, a.bytes, &why)) << c.label;
    EXPECT_NE(std::string::npos, why.find(c.expected)) << c.label << ": " << why;
  }
  // Every cut of the rewritten image, and every byte of its headers and
  // .reloc set to 0xFF: refused with a reason or accepted, never read outside.
  for (size_t cut = 0; cut < after.bytes.size(); cut += 5) {
    Bytes b(after.bytes.begin(), after.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    why.clear();
    if (!testing_pe::RelocationsSurvive(before.bytes, b, &why)) {
      EXPECT_FALSE(why.empty()) << cut;
    }
  }
  std::vector<size_t> bytes;
  for (size_t i = 0; i < 0x400; ++i) bytes.push_back(i);
  for (size_t i = 0; i < 0x40; ++i) bytes.push_back(after.sectionRaw(2) + i);
  for (size_t i : bytes) {
    Bytes b = after.bytes;
    b[i] = 0xFF;
    why.clear();
    if (!testing_pe::RelocationsSurvive(before.bytes, b, &why)) {
      EXPECT_FALSE(why.empty()) << i;
    }
  }
}

TEST(PayloadCodec, CompressesAsZlibAtTheDefaultLevelAndChecksOnTheWayBack) {
  Bytes archive = launcher::BuildArchive({{"trampo.exe", 1, 2, 3, Bytes(5000, 'a')}});
  Bytes stream = CompressPayload(archive);
  ASSERT_GE(stream.size(), 6u);
  EXPECT_EQ(0x78, stream[0]);
  EXPECT_EQ(0x9C, stream[1]);
  Bytes back;
  std::string error;
  ASSERT_TRUE(InflatePayload(stream, &back, &error)) << error;
  EXPECT_EQ(archive, back);

  Bytes trailing = stream;
  trailing.push_back(0);
  EXPECT_FALSE(InflatePayload(trailing, &back, &error));
  EXPECT_NE(std::string::npos, error.find("follow")) << error;
  Bytes cut(stream.begin(), stream.end() - 3);
  EXPECT_FALSE(InflatePayload(cut, &back, &error));
  EXPECT_NE(std::string::npos, error.find("cut short")) << error;
  Bytes adler = stream;
  adler.back() ^= 0x10;
  EXPECT_FALSE(InflatePayload(adler, &back, &error));
  EXPECT_NE(std::string::npos, error.find("damaged")) << error;
}

// The archive's sizes are 32-bit and zlib counts in uLong, 32 bits on
// Windows: 4 GiB or more must be refused, never cut down to what fits. The
// sizes are claimed, not allocated; nothing past the small buffer is read.
TEST(PayloadCodec, RefusesFourGibibytesOrMoreInsteadOfTruncating) {
  Bytes archive = launcher::BuildArchive({{"trampo.exe", 1, 2, 3, Bytes(100, 'a')}});
  Bytes stream = CompressPayload(archive);
  const uint64_t fourGiB = 0x100000000ull;
  Bytes out;
  std::string error;
  for (uint64_t size : {fourGiB, fourGiB + stream.size()}) {
    error.clear();
    EXPECT_FALSE(InflatePayload(stream.data(), size, &out, &error)) << size;
    EXPECT_NE(std::string::npos, error.find("4 GiB")) << size << ": " << error;
    error.clear();
    EXPECT_FALSE(CompressPayload(archive.data(), size + archive.size() - stream.size(), &out, &error)) << size;
    EXPECT_NE(std::string::npos, error.find("4 GiB")) << size << ": " << error;
    EXPECT_TRUE(out.empty());
  }
  ASSERT_TRUE(InflatePayload(stream.data(), stream.size(), &out, &error)) << error;
  EXPECT_EQ(archive, out);
  ASSERT_TRUE(CompressPayload(archive.data(), archive.size(), &out, &error)) << error;
  EXPECT_EQ(stream, out);
}

class PackageInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/launcher-packer-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string write(const std::string& name, const std::string& content) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string dir;
};

TEST_F(PackageInputs, FolderFilesComeSortedWithTheirTimes) {
  write("b.dll", "bb");
  std::string a = write("a.exe", "a");
  write("C.txt", "ccc");
  // 2001-09-09 01:46:40 UTC as write time, 2009-02-13 23:31:30 UTC as access time.
  struct timespec times[2] = {{1234567890, 500}, {1000000000, 123456789}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, a.c_str(), times, 0));
  std::vector<launcher::ArchiveFile> files;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(CollectInputs({dir}, &files, &warnings, &error)) << error;
  ASSERT_EQ(3u, files.size());
  EXPECT_EQ("C.txt", files[0].name);
  EXPECT_EQ("a.exe", files[1].name);
  EXPECT_EQ("b.dll", files[2].name);
  EXPECT_EQ((1000000000ull + 11644473600ull) * 10000000ull + 1234567, files[1].lastWriteTime);
  EXPECT_EQ((1234567890ull + 11644473600ull) * 10000000ull + 5, files[1].lastAccessTime);
  EXPECT_NE(0u, files[1].creationTime);
  EXPECT_TRUE(warnings.empty());
}

TEST(PackageTimes, ClampingKeepsEarlierTimesAndCapsLaterOnes) {
  const uint64_t epoch = 1700000000;
  const uint64_t limit = (epoch + 11644473600ull) * 10000000ull;
  std::vector<launcher::ArchiveFile> files(1);
  files[0].creationTime = limit - 1;
  files[0].lastAccessTime = limit + 1;
  files[0].lastWriteTime = limit + 999999999;
  ClampTimes(&files, epoch);
  EXPECT_EQ(limit - 1, files[0].creationTime);
  EXPECT_EQ(limit, files[0].lastAccessTime);
  EXPECT_EQ(limit, files[0].lastWriteTime);
}

TEST_F(PackageInputs, OrderOfArgumentsIsKeptAndRepeatsWarn) {
  std::string x = write("x.bin", "x");
  std::string y = write("Y.BIN", "y");
  std::string sub = dir + "/sub";
  std::filesystem::create_directory(sub);
  std::ofstream(sub + "/x.BIN") << "other";
  std::vector<launcher::ArchiveFile> files;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(CollectInputs({y, x, sub + "/x.BIN"}, &files, &warnings, &error)) << error;
  ASSERT_EQ(3u, files.size());
  EXPECT_EQ("Y.BIN", files[0].name);
  EXPECT_EQ("x.bin", files[1].name);
  ASSERT_EQ(1u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("x.BIN")) << warnings[0];
}

TEST_F(PackageInputs, RefusesWhatTheLauncherWouldRefuse) {
  std::string empty = write("empty.txt", "");
  std::filesystem::create_directory(dir + "/nested");
  write("nested/inner", "i");
  std::filesystem::create_directories(dir + "/withsub/deeper");
  write("withsub/ok.txt", "ok");
  struct Case {
    std::vector<std::string> inputs;
    const char* expected;
  };
  const Case cases[] = {
      {{empty}, "empty"},
      {{dir + "/withsub"}, "folders"},
      {{dir + "/missing"}, "no such file"},
      {{dir + "/nested", dir + "/nope"}, "no such file"},
  };
  for (const Case& c : cases) {
    std::vector<launcher::ArchiveFile> files;
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_FALSE(CollectInputs(c.inputs, &files, &warnings, &error)) << c.inputs[0];
    EXPECT_NE(std::string::npos, error.find(c.expected)) << error;
    EXPECT_NE(std::string::npos, error.find(c.inputs.back().substr(dir.size()))) << "names the file: " << error;
  }
  std::string reason;
  for (const char* bad : {"a:b", "..", ".", "", "a\\b"}) EXPECT_FALSE(CheckInputName(bad, &reason)) << bad;
  EXPECT_FALSE(CheckInputName(std::string(260, 'n'), &reason));
  EXPECT_TRUE(CheckInputName(std::string(259, 'n'), &reason));
}

}  // namespace
}  // namespace packer
