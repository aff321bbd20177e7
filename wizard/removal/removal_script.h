#pragma once

#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "wizard/ui/wizard_window.h"

namespace wizard {

// The batch file that finishes a confirmed cancel after the wizard has ended:
// from the wizard's working directory it climbs to the drive's root, walks
// down into SetupPath by relative "cd" lines, deletes the ordinary files
// there and removes SetupPath and the maker's directory when empty.
//
// `programFiles` is the "ProgramFiles" value; `setupName` the name by which
// the script enters SetupPath (its reported short name, or its long name).
// std::nullopt when the value holds no ":\" (there is no drive-relative part
// to walk to). The text has no line end after its last line.
//
// The walk can end somewhere else (another drive, deeper than 36 levels, a
// missing directory): before anything is deleted the script checks that the
// current directory is SetupPath and stops otherwise. The checks use "if"
// and "goto", never "&&"/"||", which not every command interpreter honours.
std::optional<std::string> BuildRemovalScript(const std::string& programFiles, const std::string& setupName);

// TEMP + "\temp1.bat".
std::string RemovalScriptPath(const platform::Environment& env);

// Builds the script from the initial RemovalScriptText (never from an earlier
// script), stores it in RemovalScriptText and writes it with a final line end.
// False when it cannot be built or written.
bool WriteRemovalScript(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files);

}  // namespace wizard
