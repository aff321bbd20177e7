#include "wizard/ui/startup.h"

#include "wizard/model/marker_file.h"
#include "wizard/model/setup_paths.h"
#include "wizard/ui/framework_page.h"

namespace wizard {

FrameworkStatus ParseFrameworkStatus(const std::string& arguments) {
  if (arguments == "-0") return FrameworkStatus::kMissing;
  if (arguments.find("-1") != std::string::npos) return FrameworkStatus::kOutdated;
  return FrameworkStatus::kPresent;
}

std::optional<std::string> InstalledFrameworkVersion(const std::string& arguments) {
  static const std::string kSeparator = "-1:";
  const auto first = arguments.find(kSeparator);
  if (first == std::string::npos) return std::nullopt;
  const auto start = first + kSeparator.size();
  const auto next = arguments.find(kSeparator, start);
  return arguments.substr(start, next == std::string::npos ? std::string::npos : next - start);
}

bool WriteAccessTest(const platform::Environment& env, platform::FileSystem& files) {
  const auto directory = FirstSearchPathDirectory(env);
  if (!directory) return false;
  const std::string testFile = *directory + "\\" + kMarkerFileName;
  if (files.WriteAll(testFile, kMarkerFileText) != platform::FsResult::kOk) return false;
  if (files.FileExists(testFile) && files.EraseFile(testFile) != platform::FsResult::kOk) return false;
  return true;
}

void PrepareDeadEndPage(WizardWindow& w) {
  w.StepArrow.SetVisible(false);
  w.BackButton.SetVisible(false);
  w.NextButton.SetVisible(false);
  w.CancelButton.SetText("Exit");
  w.SetDefaultButton(w.CancelButton);
}

void ShowErrorPage(WizardWindow& w) {
  PrepareDeadEndPage(w);
  w.WelcomePage.SetVisible(false);
  w.WelcomeBand.SetVisible(false);
  w.ErrorPage.SetVisible(true);
  w.FrameworkInstallButton.SetVisible(true);
}

namespace {

// Quick Launch lies below the roaming application data folder, which the
// shell object's special-folder collection answers for index 5.
bool FillQuickLaunchFolder(WizardWindow& w, platform::Shell& shell) {
  auto object = shell.CreateShellObject();
  if (!object) return false;
  auto appData = object->SpecialFolder(5);
  if (!appData) return false;
  w.QuickLaunchFolder.SetText(*appData + "\\Microsoft\\Internet Explorer\\Quick Launch");
  return true;
}

StartState Fail(WizardWindow& w) {
  ShowErrorPage(w);
  return StartState::kStartupFailure;
}

}  // namespace

StartState RunLoadSteps(WizardWindow& w, const platform::Environment& env,
                        platform::FileSystem& files, platform::Shell& shell) {
  if (!WriteAccessTest(env, files)) return Fail(w);

  const std::string arguments = env.CommandLineArguments();
  switch (ParseFrameworkStatus(arguments)) {
    case FrameworkStatus::kMissing:
      PrepareFrameworkPage(w, FrameworkStatus::kMissing, "");
      return StartState::kMissing;
    case FrameworkStatus::kOutdated: {
      const auto version = InstalledFrameworkVersion(arguments);
      if (!version) return Fail(w);
      PrepareFrameworkPage(w, FrameworkStatus::kOutdated, *version);
      return StartState::kOutdated;
    }
    case FrameworkStatus::kPresent:
      break;
  }

  w.SetupPathLabel.SetText(SetupPath(env) + "\\");
  if (!FillQuickLaunchFolder(w, shell)) return Fail(w);
  return StartState::kPresent;
}

}  // namespace wizard
