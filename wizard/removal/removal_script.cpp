#include "wizard/removal/removal_script.h"

#include <string_view>

#include "platform/text.h"
#include "wizard/model/setup_paths.h"

namespace wizard {

namespace {

using platform::LeadBytes;
using platform::NextCharacter;

// Characters no Windows path can hold; a value with one names no directory,
// and inside the script a quote would end a quoted path early. A trail byte
// is part of its character ("|" is one in double-byte code pages).
bool NamesNoPath(const std::string& text, const LeadBytes& lead) {
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i, lead)) {
    if (NextCharacter(text, i, lead) != i + 1) continue;
    const char c = text[i];
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\"<>|*?").find(c) != std::string_view::npos)
      return true;
  }
  return false;
}

// A path as the interpreter shows the current directory: one "\" between
// components, none at the end.
std::string CollapseSeparators(const std::string& path, const LeadBytes& lead) {
  std::string out;
  bool afterSeparator = false;
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t next = NextCharacter(path, i, lead);
    const bool separator = next == i + 1 && path[i] == '\\';
    if (!separator || !afterSeparator) out.append(path, i, next - i);
    afterSeparator = separator;
    i = next;
  }
  return platform::TrimTrailing(out, "\\", lead, 3);
}

// A path as one quoted batch word: the interpreter takes "&", "^", "(" and
// the like inside quotes literally, and reads "%%" as "%".
std::string QuoteForBatch(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) out += c == '%' ? std::string("%%") : std::string(1, c);
  return out + "\"";
}

}  // namespace

std::optional<std::string> BuildRemovalScript(const std::string& programFiles, const std::string& setupName,
                                              const platform::LeadBytes& lead) {
  const auto colon = platform::FindText(programFiles, ":\\", lead);
  if (colon == std::string::npos || NamesNoPath(programFiles, lead) || NamesNoPath(setupName, lead))
    return std::nullopt;
  const auto start = colon + 2;
  const auto second = platform::FindText(programFiles, ":\\", lead, start);
  const std::string relative = platform::TrimTrailing(
      programFiles.substr(start, second == std::string::npos ? std::string::npos : second - start), "\\", lead);

  // The walk can end anywhere (another drive, too deep, a missing or odd
  // directory), so nothing is deleted unless the current directory is
  // SetupPath itself: entered by `setupName`, or shown by its long name.
  const std::string maker = CollapseSeparators(programFiles + "\\Velmora", lead) + "\\";
  const std::string lines[] = {
      "cd " + QuoteForBatch(relative.empty() ? "." : relative),
      "cd Velmora",
      "cd " + QuoteForBatch(setupName),
      "if /i \"%CD%\"==" + QuoteForBatch(maker + setupName) + " goto quillon",
      "if /i not \"%CD%\"==" + QuoteForBatch(maker + "Quillon") + " goto :eof",
      ":quillon",
      "del /q *.*",
      "cd..",
      "rd " + QuoteForBatch(setupName),
      "cd..",
      "rd Velmora",
  };
  std::string text = InitialRemovalScriptText() + "\r\n";
  for (std::size_t i = 0; i < std::size(lines); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

std::string RemovalScriptPath(const platform::Environment& env) {
  return env.Variable("TEMP").value_or("") + "\\temp1.bat";
}

bool WriteRemovalScript(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files,
                        const platform::Processes& processes, std::unique_ptr<platform::OpenFile>* held) {
  held->reset();  // an earlier press's script gives way to this one
  const std::string programFiles = env.Variable("ProgramFiles").value_or("");
  const auto setupName = files.ShortName(SetupPath(env)).value_or("Quillon");
  const auto text = BuildRemovalScript(programFiles, setupName, env.AnsiLeadBytes());
  if (!text) return false;
  w.RemovalScriptText.SetText(*text);
  // The interpreter reads the file in its own code page: a path it would read
  // differently must not be walked, let alone guarded, by a look-alike.
  const auto bytes = processes.BatchText(*text + "\r\n");
  return bytes && files.WriteAllAndHold(RemovalScriptPath(env), *bytes, held) == platform::FsResult::kOk;
}

}  // namespace wizard
