#include "wizard/engine/install_start.h"

#include <string>

#include "wizard/model/marker_file.h"
#include "wizard/model/setup_paths.h"
#include "wizard/removal/del_tree.h"

namespace wizard {

namespace {
constexpr int kDirectoryCreationPasses = 1000;
}

void StartInstall(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files) {
  // Every failure here passes silently: the chain's first step learns from
  // the marker file whether SetupPath could be made and written.
  DelTree(files, env, MakerDirectory(env));
  w.BackButton.SetEnabled(false);
  const std::string programFiles = env.Variable("ProgramFiles").value_or("");
  // Repeated so that a directory still being released by the removal just
  // done gets its chance to appear.
  for (int pass = 0; pass < kDirectoryCreationPasses; ++pass) {
    files.MakeDirectory(programFiles);
    files.MakeDirectory(MakerDirectory(env));
    files.MakeDirectory(SetupPath(env));
  }
  files.WriteAll(SetupPath(env) + "\\" + kMarkerFileName, kMarkerFileText);
  w.Timer6.SetEnabled(true);
  // The options page stays visible underneath; the copy page covers it.
  w.CopyProgressPage.SetVisible(true);
  w.NextButton.SetEnabled(false);
}

}  // namespace wizard
