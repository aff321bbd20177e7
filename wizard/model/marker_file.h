#pragma once

namespace wizard {

// The file written to prove that a directory takes files: the start-up's
// write-access test and the install's SetupPath marker, which the install
// leaves in SetupPath.
inline constexpr const char* kMarkerFileName = "temp.dat";
inline constexpr const char* kMarkerFileText = "This is a temporary file.\r\n";

}  // namespace wizard
