#pragma once

#include "platform/environment.h"
#include "platform/registry.h"

namespace wizard {

// The product's registry entries.
inline constexpr const char* kSettingsKey = "Control Panel\\Quillon";
inline constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kHandlerKey = "AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quillon";
inline constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon";
inline constexpr const char* kHandlerClassId = "{F7F88BEB-D85E-4905-A8D8-252A82C443FF}";

// Removes what an earlier install left: its settings, the run-once value, the
// context-menu handler entry and the uninstall record.
void CleanUpEarlierInstall(platform::Registry& registry);

// The shell's context-menu handler entry for every file-system object.
void WriteContextMenuHandler(platform::Registry& registry);

// The uninstall record the platform's list of installed programs shows.
void WriteUninstallRecord(platform::Registry& registry, const platform::Environment& env);

}  // namespace wizard
