// packer: builds setup's payload and puts it into setup.exe; lists and
// verifies the payload of a payload file or of a setup.exe.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package_inputs.h"
#include "payload_archive.h"
#include "payload_codec.h"
#include "platform/text.h"

namespace {

using launcher::ArchiveFile;
using launcher::ArchiveListing;

const char kUsage[] =
    "Usage:\n"
    "  packer pack -o PAYLOAD FILE|FOLDER...\n"
    "      Builds a payload: the files in the order given (a folder's files\n"
    "      sorted by name), each with its creation, last access and last write\n"
    "      times, compressed as one zlib stream.\n"
    "  packer embed SETUP.EXE PAYLOAD -o OUT.EXE\n"
    "      Writes a copy of SETUP.EXE whose \"SETUP\" 2000 resource is PAYLOAD.\n"
    "  packer repack SETUP.EXE -o OUT.EXE FILE|FOLDER...\n"
    "      pack and embed in one step; no compiler needed.\n"
    "  packer list FILE\n"
    "      Shows the entries of a payload or of a setup.exe: name, size, times.\n"
    "  packer verify FILE\n"
    "      Checks a payload or a setup.exe: the zlib stream and every entry as\n"
    "      the launcher reads it. Exit code 0 when it would unpack.\n"
    "\n"
    "A file that the launcher would refuse (empty, a name with a folder part,\n"
    "a drive or stream colon, \".\" or \"..\", longer than 259 characters) is\n"
    "refused here. Output files are only written when everything succeeded.\n"
    "With SOURCE_DATE_EPOCH set (seconds since 1970), times later than it are\n"
    "stored as that moment, so that builds from fresh files are reproducible.\n"
    "Exit codes: 0 success, 1 failure, 2 wrong usage.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "packer: %s\n\n%s", message.c_str(), kUsage);
  return 2;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "packer: %s\n", message.c_str());
  return 1;
}

bool ReadWhole(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be opened";
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = path + ": cannot be read";
    return false;
  }
  return true;
}

// Written beside the target first and renamed over it, so a failure never
// leaves half a program behind.
bool WriteWhole(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error) {
  std::string temporary = path + ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      *error = path + ": cannot be created";
      return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      *error = path + ": cannot be written";
      return false;
    }
  }
  std::remove(path.c_str());
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    *error = path + ": cannot be replaced";
    return false;
  }
  return true;
}

void PrintWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings) std::fprintf(stderr, "packer: warning: %s\n", w.c_str());
}

bool IsProgram(const std::vector<unsigned char>& bytes) {
  return bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

// Takes "-o PATH" out of the arguments.
bool TakeOutput(std::vector<std::string>* args, std::string* output) {
  for (size_t i = 0; i < args->size(); ++i) {
    if ((*args)[i] == "-o" || (*args)[i] == "--output") {
      if (i + 1 >= args->size()) return false;
      *output = (*args)[i + 1];
      args->erase(args->begin() + static_cast<std::ptrdiff_t>(i), args->begin() + static_cast<std::ptrdiff_t>(i) + 2);
      return true;
    }
  }
  return false;
}

bool BuildPayload(const std::vector<std::string>& inputs, std::vector<unsigned char>* stream, std::string* error) {
  std::vector<ArchiveFile> files;
  std::vector<std::string> warnings;
  if (!packer::CollectInputs(inputs, &files, &warnings, error)) return false;
  PrintWarnings(warnings);
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    unsigned long long seconds = std::strtoull(epoch, &end, 10);
    if (*end != '\0' || seconds > 0x7FFFFFFFFFull) {
      *error = std::string("SOURCE_DATE_EPOCH is not a number of seconds: ") + epoch;
      return false;
    }
    packer::ClampTimes(&files, seconds);
  }
  std::vector<unsigned char> archive = launcher::BuildArchive(files);
  *stream = packer::CompressPayload(archive);
  if (stream->empty()) {
    *error = "zlib could not compress the payload";
    return false;
  }
  std::fprintf(stdout, "%zu files, %zu bytes, compressed to %zu bytes\n", files.size(), archive.size(),
               stream->size());
  return true;
}

std::string FormatFileTime(uint64_t fileTime) {
  const uint64_t epoch = 116444736000000000ull;
  if (fileTime < epoch) return "before 1970";
  std::time_t seconds = static_cast<std::time_t>((fileTime - epoch) / 10000000ull);
  std::tm parts = {};
#ifdef _WIN32
  if (gmtime_s(&parts, &seconds) != 0) return "?";
#else
  if (gmtime_r(&seconds, &parts) == nullptr) return "?";
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
  return text;
}

// Loads the payload stream of a payload file or of a setup.exe, inflates it
// and reads the archive as the launcher would.
bool Inspect(const std::string& path, std::vector<unsigned char>* stream, ArchiveListing* listing,
             std::string* error) {
  std::vector<unsigned char> bytes;
  if (!ReadWhole(path, &bytes, error)) return false;
  if (IsProgram(bytes)) {
    if (!packer::ExtractPayload(bytes, stream, error)) {
      *error = path + ": " + *error;
      return false;
    }
  } else {
    stream->swap(bytes);
  }
  if (stream->empty()) {
    *error = path + ": the payload is empty";
    return false;
  }
  std::vector<unsigned char> archive;
  if (!packer::InflatePayload(*stream, &archive, error) ||
      !launcher::ReadArchive(archive.data(), archive.size(), listing, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

int CommandPack(std::vector<std::string> args) {
  std::string output;
  if (!TakeOutput(&args, &output)) return UsageError("pack needs -o PAYLOAD");
  if (args.empty()) return UsageError("pack needs at least one file or folder");
  std::vector<unsigned char> stream;
  std::string error;
  if (!BuildPayload(args, &stream, &error) || !WriteWhole(output, stream, &error)) return Failure(error);
  return 0;
}

int EmbedStream(const std::string& setup, const std::vector<unsigned char>& stream, const std::string& output) {
  std::vector<unsigned char> image;
  std::string error;
  if (!ReadWhole(setup, &image, &error)) return Failure(error);
  std::vector<std::string> warnings;
  if (!packer::ReplacePayload(&image, stream, &error, &warnings)) return Failure(setup + ": " + error);
  PrintWarnings(warnings);
  if (!WriteWhole(output, image, &error)) return Failure(error);
  return 0;
}

int CommandEmbed(std::vector<std::string> args) {
  std::string output;
  if (!TakeOutput(&args, &output)) return UsageError("embed needs -o OUT.EXE");
  if (args.size() != 2) return UsageError("embed needs SETUP.EXE and PAYLOAD");
  std::vector<unsigned char> stream, archive;
  std::string error;
  if (!ReadWhole(args[1], &stream, &error)) return Failure(error);
  ArchiveListing listing;
  if (!packer::InflatePayload(stream, &archive, &error) ||
      !launcher::ReadArchive(archive.data(), archive.size(), &listing, &error)) {
    return Failure(args[1] + ": not a payload the launcher can unpack: " + error);
  }
  return EmbedStream(args[0], stream, output);
}

int CommandRepack(std::vector<std::string> args) {
  std::string output;
  if (!TakeOutput(&args, &output)) return UsageError("repack needs -o OUT.EXE");
  if (args.size() < 2) return UsageError("repack needs SETUP.EXE and at least one file or folder");
  std::vector<unsigned char> stream;
  std::string error;
  if (!BuildPayload(std::vector<std::string>(args.begin() + 1, args.end()), &stream, &error)) return Failure(error);
  return EmbedStream(args[0], stream, output);
}

int CommandList(const std::vector<std::string>& args, bool verifyOnly) {
  if (args.size() != 1) return UsageError(std::string(verifyOnly ? "verify" : "list") + " needs one FILE");
  std::vector<unsigned char> stream;
  ArchiveListing listing;
  std::string error;
  if (!Inspect(args[0], &stream, &listing, &error)) return Failure(error);
  if (!verifyOnly) {
    std::printf("%u entries\n", static_cast<unsigned>(listing.count));
    std::printf("%-4s %12s  %-19s  %-19s  %-19s  %s\n", "#", "size", "created (UTC)", "last access (UTC)",
                "last write (UTC)", "name");
    for (size_t i = 0; i < listing.entries.size(); ++i) {
      const launcher::PayloadEntry& e = listing.entries[i];
      std::printf("%-4zu %12u  %-19s  %-19s  %-19s  %s\n", i, static_cast<unsigned>(e.sizeLow),
                  FormatFileTime(e.creationTime).c_str(), FormatFileTime(e.lastAccessTime).c_str(),
                  FormatFileTime(e.lastWriteTime).c_str(), launcher::EntryName(e).c_str());
    }
  }
  std::vector<std::string> warnings;
  for (const std::string& n : listing.repeatedNames) warnings.push_back(n + ": the name is repeated");
  if (listing.trailingBytes) warnings.push_back(std::to_string(listing.trailingBytes) + " bytes follow the last file's data");
  if (listing.count == 0) warnings.push_back("the payload has no entries: the launcher unpacks nothing");
  bool hasTrampo = false;
  for (const auto& e : listing.entries) {
    if (platform::EqualsNoCase(launcher::EntryName(e), "trampo.exe")) hasTrampo = true;
  }
  if (!hasTrampo) warnings.push_back("the payload has no trampo.exe: the launcher starts nothing");
  PrintWarnings(warnings);
  if (verifyOnly) std::printf("%s: OK, %u entries, stream of %zu bytes\n", args[0].c_str(), listing.count, stream.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given");
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "pack") return CommandPack(args);
  if (command == "embed") return CommandEmbed(args);
  if (command == "repack") return CommandRepack(args);
  if (command == "list") return CommandList(args, false);
  if (command == "verify") return CommandList(args, true);
  return UsageError("unknown command \"" + command + "\"");
}
