#pragma once

#include "wizard/model/wizard_window.h"

namespace wizard {

// The cancel flag lives in the hidden CancelMarker label: a confirmed cancel
// writes this word there, and nothing ever clears it.
inline constexpr const char* kCancelSentinel = "zorp";

inline bool CancelFlagSet(const WizardWindow& w) { return w.CancelMarker.text() == kCancelSentinel; }

}  // namespace wizard
