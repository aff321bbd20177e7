#include "wizard/ui/framework_page.h"

namespace wizard {
namespace {

const char kEmptyLine[] = "\r\n\r\n";

const char kMissingFirst[] =
    "This version of Quillon requires Microsoft .NET Framework 2.0 Beta installed on your "
    "computer. For more information about .NET platform, you may refer to the resources "
    "published on Microsoft web site:";
const char kMissingSecond[] =
    "To install Microsoft .NET Framework 2.0 Beta on your computer, please click 'Install' "
    "button below. When installation completed, please re-run this setup program to continue "
    "your Quillon installation.";
const char kOutdatedAdvice[] =
    "To operate this program correctly, you need to update your .NET platform version to 2.0 "
    "Beta. Since Quillon setup has been packaged together with Microsoft .NET Framework 2.0 "
    "Beta, simply click 'Install' button below to update your version. When completed, please "
    "re-run this setup program.";

}  // namespace

void PrepareFrameworkPage(WizardWindow& w, FrameworkStatus status, const std::string& installedVersion) {
  if (status == FrameworkStatus::kMissing) {
    w.FrameworkTitle.SetText("Microsoft .NET Platform Required");
    w.FrameworkText.SetText(std::string(kMissingFirst) + kEmptyLine + kMissingSecond);
    w.FrameworkLink.SetVisible(true);
  } else {
    w.FrameworkTitle.SetText("Microsoft .NET Framework Version Outdated");
    w.FrameworkText.SetText("You have " + installedVersion +
                            " installed on your computer while this version of Quillon requires "
                            "Microsoft .NET Framework 2.0 Beta." +
                            kEmptyLine + kOutdatedAdvice);
  }
  PrepareDeadEndPage(w);
  w.WelcomePage.SetVisible(false);
  w.WelcomeBand.SetVisible(false);
  w.FrameworkPage.SetVisible(true);
  w.FrameworkInstallButton.SetVisible(true);
}

}  // namespace wizard
