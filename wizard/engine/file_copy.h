#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/ui_host.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

// The byte total the overall percent is measured against: the product's
// files as shipped. Fixed, never measured.
inline constexpr std::int64_t kInstallByteTotal = 35212632;
inline constexpr std::size_t kCopyBlockSize = 256;

// The overall percent for a count of copied bytes (may exceed 100).
std::int64_t PercentOfInstall(std::int64_t bytesCopied);

// Wires the progress display into the window: a change of BytesCopied sets
// PercentDone, and a change of PercentDone sets the overall bar and the
// percent text, in that order. Call once per window.
void BindProgressDisplay(WizardWindow& w);

// Adds to the running byte counter held as decimal text in BytesCopied.
void AddToBytesCopied(WizardWindow& w, std::int64_t amount);

// What the copy works on: the window's labels, the files, and the host that
// runs pending events between blocks.
struct CopyServices {
  WizardWindow& window;
  platform::FileSystem& files;
  platform::UiHost& host;
};

// Copies `source` to `destination` in 256-byte blocks. After each block it
// shows the file's name, counts the block, stops if the cancel flag is set
// (the blocks written so far stay) and lets the window process its pending
// events once. `bar` gets the file's length as maximum and is set full at
// the end. Failures are skipped action by action and never reported; a
// missing source leaves an empty destination, or a hidden or system one as
// it was (it is cut to the new length only once something is written).
void CopyFileWithProgress(const CopyServices& s, const std::string& source, const std::string& destination,
                          Control& bar);

}  // namespace wizard
