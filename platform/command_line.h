#pragma once

#include <string>

namespace platform {

// The text after the program name of a Windows command line, without the
// blanks that separate it from the name. The name may be quoted ("C:\a b\x.exe").
std::string ArgumentsAfterProgramName(const std::string& commandLine);

}  // namespace platform
