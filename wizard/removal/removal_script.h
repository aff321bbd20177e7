#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

// The batch file that finishes a confirmed cancel after the wizard has ended:
// from the wizard's working directory it climbs to the drive's root, walks
// down into SetupPath by relative "cd" lines, deletes the ordinary files
// there and removes SetupPath and the maker's directory when empty.
//
// `programFiles` is the "ProgramFiles" value; `setupName` the name by which
// the script enters SetupPath (its reported short name, or its long name).
// Both are read by the characters of the code page whose lead bytes are
// `lead`. std::nullopt when the value holds no ":\" (there is no
// drive-relative part to walk to) or a character no path can hold. The text
// has no line end after its last line.
//
// Every path is one quoted word with "%" doubled, so no path text is ever read
// as a command or a variable. The walk can end somewhere else (another drive,
// deeper than 36 levels, a missing directory): before anything is deleted the
// script checks that the current directory is SetupPath itself and stops
// otherwise. The checks use "if" and "goto", never "&&"/"||", which not every
// command interpreter honours.
std::optional<std::string> BuildRemovalScript(const std::string& programFiles, const std::string& setupName,
                                              const platform::LeadBytes& lead);

// TEMP + "\temp1.bat".
std::string RemovalScriptPath(const platform::Environment& env);

// Builds the script from the initial RemovalScriptText (never from an earlier
// script), stores it in RemovalScriptText and writes it with a final line end,
// in the interpreter's code page (none is written when a character has no
// exact equivalent there).
// The file stays open in *held, so that nobody can swap it before it is
// started; an earlier hold is released first. False when it cannot be built
// or written.
bool WriteRemovalScript(WizardWindow& w, const platform::Environment& env, platform::FileSystem& files,
                        const platform::Processes& processes, std::unique_ptr<platform::OpenFile>* held);

}  // namespace wizard
