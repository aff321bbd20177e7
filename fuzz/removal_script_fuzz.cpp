// The removal-script builder on any "ProgramFiles" text: no crash, the fixed
// shape of the script around whatever the value holds, every path a quoted
// word the interpreter reads literally, and a guard before the deletion that
// names SetupPath and no other directory.
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "wizard/removal/removal_script.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t end = text.find("\r\n", start);
    out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 2;
  }
}

// A quoted batch word back to the text the interpreter sees: no quote inside,
// and every "%" doubled (a single one would start a variable).
bool unquote(const std::string& word, std::string* text) {
  if (word.size() < 2 || word.front() != '"' || word.back() != '"') return false;
  text->clear();
  for (size_t i = 1; i + 1 < word.size(); ++i) {
    const char c = word[i];
    if (c == '"') return false;
    if (c == '%') {
      if (i + 2 >= word.size() || word[i + 1] != '%') return false;
      ++i;
    }
    text->push_back(c);
  }
  return true;
}

// The names along a path: the same directory however its separators run.
std::vector<std::string> components(const std::string& path) {
  std::vector<std::string> out;
  std::string part;
  for (const char c : path + "\\") {
    if (c != '\\') {
      part.push_back(c);
    } else if (!part.empty()) {
      out.push_back(part);
      part.clear();
    }
  }
  return out;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }
bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// `line` is `prefix` + a quoted word + `suffix`; *path gets the word's text.
bool quotedBetween(const std::string& line, const std::string& prefix, const std::string& suffix, std::string* path) {
  if (!startsWith(line, prefix) || !endsWith(line, suffix) || line.size() < prefix.size() + suffix.size()) return false;
  return unquote(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()), path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string programFiles(reinterpret_cast<const char*>(data), size);
  for (const char* setupName : {"Quillo~1", "Quillon"}) {
    // Single-byte: the checks below read the script by bytes.
    const auto text = wizard::BuildRemovalScript(programFiles, setupName, platform::LeadBytes());
    if (programFiles.find(":\\") == std::string::npos) FUZZ_CHECK(!text);
    if (!text) continue;
    // 36 climbing lines, an empty line, then the walk; no line end at the end.
    const std::vector<std::string> script = lines(*text);
    FUZZ_CHECK(script.size() > 38);
    for (size_t i = 0; i < 36; ++i) FUZZ_CHECK(script[i] == "cd..");
    FUZZ_CHECK(script[36].empty());
    FUZZ_CHECK(script[37].compare(0, 3, "cd ") == 0);
    FUZZ_CHECK(text->size() < 2 || text->compare(text->size() - 2, 2, "\r\n") != 0);

    // The walk, the guard, the deletion: nothing more, nothing in between.
    FUZZ_CHECK(script.size() == 48);
    std::string path;
    FUZZ_CHECK(quotedBetween(script[37], "cd ", "", &path));
    FUZZ_CHECK(script[38] == "cd Velmora");
    FUZZ_CHECK(quotedBetween(script[39], "cd ", "", &path) && path == setupName);
    // Each guard names SetupPath itself, entered by its name or its long name.
    const std::string setupParent = programFiles + "\\Velmora\\";
    FUZZ_CHECK(quotedBetween(script[40], "if /i \"%CD%\"==", " goto quillon", &path));
    FUZZ_CHECK(components(path) == components(setupParent + setupName));
    FUZZ_CHECK(path.find("\\\\") == std::string::npos);
    FUZZ_CHECK(quotedBetween(script[41], "if /i not \"%CD%\"==", " goto :eof", &path));
    FUZZ_CHECK(components(path) == components(setupParent + "Quillon"));
    FUZZ_CHECK(path.find("\\\\") == std::string::npos);
    FUZZ_CHECK(script[42] == ":quillon");
    FUZZ_CHECK(script[43] == "del /q *.*");
    FUZZ_CHECK(script[44] == "cd..");
    FUZZ_CHECK(quotedBetween(script[45], "rd ", "", &path) && path == setupName);
    FUZZ_CHECK(script[46] == "cd..");
    FUZZ_CHECK(script[47] == "rd Velmora");
  }
  return 0;
}
