#pragma once

#include <array>
#include <string>

#include "platform/environment.h"

namespace wizard {

enum class ManifestKind {
  kProgress,  // through CopyFileWithProgress; counts towards BytesCopied
  kPlain,     // a whole-file copy that replaces the destination, uncounted
  kMarker,    // writes the marker file "temp.dat" again
};

enum class ManifestFolder { kSetupPath, kFirstSearchPathDirectory };

struct ManifestEntry {
  ManifestKind kind;
  const char* source;       // bare name in the wizard's folder; "" for the marker
  ManifestFolder folder;
  const char* destination;  // bare name in the destination folder
};

inline constexpr int kManifestSize = 32;

// Every file the install places, in the order it places them.
const std::array<ManifestEntry, kManifestSize>& InstallManifest();

// The entry's full destination path, built from the environment as it is now;
// empty when the folder cannot be had (no search path).
std::string ManifestDestination(const ManifestEntry& entry, const platform::Environment& env);

}  // namespace wizard
