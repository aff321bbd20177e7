// How long the block copy's own work takes for a whole install's bytes: 256-
// byte blocks, each with its status line, counter text round trip, percent
// update, cancel test and event pass, on the in-memory file system and the
// headless host. Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>

#include "platform/fake/environment.h"
#include "platform/fake/file_system.h"
#include "platform/fake/processes.h"
#include "platform/fake/registry.h"
#include "platform/fake/shell.h"
#include "wizard/engine/file_copy.h"
#include "wizard/headless/headless_host.h"
#include "wizard/ui/wizard.h"

int main() {
  platform::fake::Environment env;
  platform::fake::FileSystem files;
  platform::fake::Shell shell;
  platform::fake::Registry registry;
  platform::fake::Processes processes;
  wizard::HeadlessHost host;
  wizard::Wizard wizard(wizard::Platform{env, files, shell, host, registry, processes});
  host.Attach(wizard.window());
  wizard::WizardWindow& w = wizard.window();

  const auto total = static_cast<std::size_t>(wizard::kInstallByteTotal);
  files.PutFile("C:\\Setup\\all.bin", std::string(total, 'q'));
  const auto start = std::chrono::steady_clock::now();
  wizard::CopyFileWithProgress({w, files, host}, "C:\\Setup\\all.bin", "C:\\all.bin", w.FileProgressBar);
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const double blocks = static_cast<double>(host.pendingEventPasses);
  std::printf("bytes copied      %s (%s)\n", w.BytesCopied.text().c_str(), w.PercentText.text().c_str());
  std::printf("blocks            %.0f\n", blocks);
  std::printf("time              %.3f s\n", elapsed);
  std::printf("per block         %.0f ns\n", elapsed * 1e9 / blocks);
  std::printf("FIGURE|block copy, model alone (native, fakes)|%.3f|us|||\n", elapsed * 1e6 / blocks);
  return 0;
}
