#include "wizard/engine/install_start.h"

#include "wizard/model/marker_file.h"
#include "wizard/model/setup_paths.h"
#include "wizard/removal/del_tree.h"

namespace wizard {

namespace {

constexpr int kDirectoryCreationPasses = 1000;

void MakeSetupPath(const platform::Environment& env, platform::FileSystem& files) {
  files.MakeDirectory(env.Variable("ProgramFiles").value_or(""));
  files.MakeDirectory(MakerDirectory(env));
  files.MakeDirectory(SetupPath(env));
}

}  // namespace

std::string MarkerPath(const platform::Environment& env) { return SetupPath(env) + "\\" + kMarkerFileName; }

void MakeSetupPathWithMarker(const platform::Environment& env, platform::FileSystem& files) {
  MakeSetupPath(env, files);
  files.WriteAll(MarkerPath(env), kMarkerFileText);
}

void StartInstall(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files) {
  // Every failure here passes silently: the chain's first step learns from
  // the marker file whether SetupPath could be made and written.
  DelTree(files, env, MakerDirectory(env));
  w.BackButton.SetEnabled(false);
  // Repeated so that a directory still being released by the removal just
  // done gets its chance to appear; the last pass writes the marker.
  for (int pass = 0; pass < kDirectoryCreationPasses - 1; ++pass) MakeSetupPath(env, files);
  MakeSetupPathWithMarker(env, files);
  w.Timer6.SetEnabled(true);
  // The options page stays visible underneath; the copy page covers it.
  w.CopyProgressPage.SetVisible(true);
  w.NextButton.SetEnabled(false);
}

}  // namespace wizard
