#include "wizard/removal/removal_script.h"

#include "wizard/ui/setup_paths.h"

namespace wizard {

std::optional<std::string> BuildRemovalScript(const std::string& programFiles, const std::string& setupName) {
  const auto colon = programFiles.find(":\\");
  if (colon == std::string::npos) return std::nullopt;
  const auto start = colon + 2;
  const auto second = programFiles.find(":\\", start);
  const std::string relative =
      programFiles.substr(start, second == std::string::npos ? std::string::npos : second - start);

  // Where the walk must have arrived, as the interpreter shows the current
  // directory: entered by `setupName`, or shown with its long name.
  const std::string drive = programFiles.substr(0, colon + 2);
  const std::string maker = drive + relative + "\\Velmora\\";
  const std::string atSetupByName = maker + setupName;
  const std::string atSetupLong = maker + "Quillon";

  const std::string lines[] = {
      "cd " + relative,
      "cd Velmora",
      "cd " + setupName,
      "if /i \"%CD%\"==\"" + atSetupByName + "\" goto quillon",
      "if /i not \"%CD%\"==\"" + atSetupLong + "\" goto :eof",
      ":quillon",
      "del /q *.*",
      "cd..",
      "rd " + setupName,
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

bool WriteRemovalScript(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files) {
  const std::string programFiles = env.Variable("ProgramFiles").value_or("");
  const auto setupName = files.ShortName(SetupPath(env)).value_or("Quillon");
  const auto text = BuildRemovalScript(programFiles, setupName);
  if (!text) return false;
  w.RemovalScriptText.SetText(*text);
  return files.WriteAll(RemovalScriptPath(env), *text + "\r\n") == platform::FsResult::kOk;
}

}  // namespace wizard
