#pragma once

#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

// What the starting program reported about the framework on the command line.
enum class FrameworkStatus { kPresent, kMissing, kOutdated };

FrameworkStatus ParseFrameworkStatus(const std::string& arguments);

// For an outdated framework: the text after the first "-1:" up to the next
// "-1:" or the end; std::nullopt when the argument holds no "-1:".
std::optional<std::string> InstalledFrameworkVersion(const std::string& arguments);

// Writes "temp.dat" into the first search-path directory and deletes it again.
bool WriteAccessTest(const platform::Environment& env, platform::FileSystem& files);

enum class StartState { kPresent, kMissing, kOutdated, kStartupFailure };

// The load steps of the window's creation: decides the first page, fills the
// state the later steps read, and prepares the window accordingly.
StartState RunLoadSteps(WizardWindow& w, const platform::Environment& env,
                        platform::FileSystem& files, platform::Shell& shell);

// The window as every page shown instead of the welcome page leaves it.
void PrepareDeadEndPage(WizardWindow& w);
void ShowErrorPage(WizardWindow& w);

}  // namespace wizard
