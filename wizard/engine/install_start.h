#pragma once

#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

// What "Install Now" does before the step chain runs: clears the maker's
// directory, makes SetupPath again, writes the marker that the chain's first
// step waits for, and starts that step under the copy page.
void StartInstall(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files);

// One try at SetupPath, its parents made where missing, with the marker
// written into it. Failures pass silently: whether the marker is there tells.
void MakeSetupPathWithMarker(const platform::Environment& env, platform::FileSystem& files);

std::string MarkerPath(const platform::Environment& env);

}  // namespace wizard
