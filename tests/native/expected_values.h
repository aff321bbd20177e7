#pragma once

// The registry keys and the refresh command as the install must use them,
// written out rather than taken from the code, so that a slip there shows.
const char* const kSettingsKey = "Control Panel\\Quillon";
const char* const kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const kHandlerKey = "AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quillon";
const char* const kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillon";
const char* const kRefreshCommand = "RUNDLL32.EXE User32.dll, UpdatePerUserSystemParameters";
const char* const kHandlerClassId = "{F7F88BEB-D85E-4905-A8D8-252A82C443FF}";
