// The packaging tool's inputs: the files named on its command line, or every
// file of a named folder (sorted by name), in the order given.
#pragma once

#include <string>
#include <vector>

#include "payload_archive.h"

namespace packer {

// Reads every input into `files`. Refuses what the launcher would refuse
// (an empty file, a name that is not a plain file name or is longer than 259
// characters) and subfolders, which the archive cannot carry. Repeated names
// (compared without case, as Windows does) and names that are not plain
// ASCII are warnings.
bool CollectInputs(const std::vector<std::string>& paths, std::vector<launcher::ArchiveFile>* files,
                   std::vector<std::string>* warnings, std::string* error);

// Reproducible builds: times later than `epochSeconds` (Unix time, as in
// SOURCE_DATE_EPOCH) are set to it, so that a payload built from freshly
// made files is the same on every build.
void ClampTimes(std::vector<launcher::ArchiveFile>* files, uint64_t epochSeconds);

// Whether `name` can be carried, with the reason when it cannot.
bool CheckInputName(const std::string& name, std::string* reason);

}  // namespace packer
