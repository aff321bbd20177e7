#include "wizard/engine/product_registry.h"

#include <string>

#include "wizard/engine/registry_layer.h"
#include "wizard/model/setup_paths.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

using platform::RegistryRoot;

void CleanUpEarlierInstall(platform::Registry& registry) {
  constexpr auto kUser = RegistryRoot::kCurrentUser;
  constexpr auto kMachine = RegistryRoot::kLocalMachine;
  constexpr auto kClasses = RegistryRoot::kClassesRoot;
  DeleteRegistryValue(registry, kUser, kSettingsKey, "STARTUP_PICTURE_PATH");
  DeleteRegistryValue(registry, kUser, kSettingsKey, "AUTORUN");
  DeleteRegistryValue(registry, kUser, kSettingsKey, "WINDOW_TITLEBAR_TEXT");
  // The earlier product wrote its run-once value under this spelling.
  DeleteRegistryValue(registry, kMachine, kRunOnceKey, "Quillen");
  DeleteRegistryValue(registry, kClasses, kHandlerKey, "");
  DeleteRegistryKey(registry, kClasses, kHandlerKey);
  DeleteRegistryKey(registry, kUser, kSettingsKey);
  DeleteRegistryValue(registry, kMachine, kUninstallKey, "DisplayName");
  DeleteRegistryValue(registry, kMachine, kUninstallKey, "UninstallString");
  DeleteRegistryKey(registry, kMachine, kUninstallKey);
}

void WriteContextMenuHandler(platform::Registry& registry) {
  CreateRegistryKey(registry, RegistryRoot::kClassesRoot, kHandlerKey);
  SetRegistryValue(registry, RegistryRoot::kClassesRoot, kHandlerKey, "", kHandlerClassId);
}

void WriteUninstallRecord(platform::Registry& registry, const platform::Environment& env) {
  constexpr auto kMachine = RegistryRoot::kLocalMachine;
  const std::string site = std::string("http://") + kMakerHost;
  CreateRegistryKey(registry, kMachine, kUninstallKey);
  SetRegistryValue(registry, kMachine, kUninstallKey, "DisplayName", "Quillon (1.0.2105.34041)");
  SetRegistryValue(registry, kMachine, kUninstallKey, "UninstallString", SetupPath(env) + "\\uninstall.exe");
  SetRegistryValue(registry, kMachine, kUninstallKey, "HelpLink", site + "/help");
  SetRegistryValue(registry, kMachine, kUninstallKey, "Publisher", "Velmora Development Team");
  // Text values, as the record has always carried them.
  SetRegistryValue(registry, kMachine, kUninstallKey, "VersionMajor", "1");
  SetRegistryValue(registry, kMachine, kUninstallKey, "VersionMinor", "0");
  SetRegistryValue(registry, kMachine, kUninstallKey, "URLUpdateInfo", site + "/updates.asp");
}

}  // namespace wizard
