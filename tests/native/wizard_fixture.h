#pragma once

#include <memory>

#include "platform/fake/environment.h"
#include "platform/fake/file_system.h"
#include "platform/fake/processes.h"
#include "platform/fake/registry.h"
#include "platform/fake/shell.h"
#include "wizard/headless/headless_host.h"
#include "wizard/ui/wizard.h"

// A wizard on the fakes and the virtual clock, on a machine with a writable
// C:\Windows first on the search path and C:\Program Files.
struct WizardFixture {
  platform::fake::Environment env;
  platform::fake::FileSystem files;
  platform::fake::Shell shell{&files};
  platform::fake::Processes processes;
  platform::fake::Registry registry;
  wizard::HeadlessHost host;
  std::unique_ptr<wizard::Wizard> wizard;

  WizardFixture() {
    files.MakeDirectories("C:\\Windows\\System32");
    files.MakeDirectories("C:\\Program Files");
    env.Set("PATH", "C:\\Windows\\System32;C:\\Windows");
    env.Set("ProgramFiles", "C:\\Program Files");
    env.Set("TEMP", "C:\\Temp");
    files.MakeDirectories("C:\\Temp");
  }

  // Creates the wizard's window and runs its start-up.
  wizard::WizardWindow& Start(const std::string& arguments = "") {
    env.arguments = arguments;
    wizard = std::make_unique<wizard::Wizard>(wizard::Platform{env, files, shell, host, registry, processes});
    host.Attach(wizard->window());
    wizard->Start();
    return wizard->window();
  }
};
