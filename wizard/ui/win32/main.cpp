// _install: the install wizard's entry.
#include <windows.h>

#include "platform/win32/dll_hardening.h"
#include "platform/win32/environment.h"
#include "platform/win32/file_system.h"
#include "platform/win32/processes.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"
#include "wizard/ui/win32/wizard_view.h"
#include "wizard/ui/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  platform::win32::RestrictDllSearch();

  platform::win32::Environment env;
  platform::win32::FileSystem files;
  platform::win32::Shell shell;
  platform::win32::Registry registry;
  wizard::win32::WizardView view(instance);
  platform::win32::Processes processes;
  wizard::Wizard wizard({env, files, shell, view, registry, processes});
  // The progress bars' class comes first; the window exists (hidden) before
  // the start-up, which places it topmost.
  wizard.InitCommonControls();
  if (!view.Create(wizard)) return 1;
  wizard.Start();
  view.Show();
  return view.Run();
}
