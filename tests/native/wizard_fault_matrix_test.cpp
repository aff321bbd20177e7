// The whole wizard against the machine's failures: a file that is missing,
// unreadable, locked or finds the disk full, registry roots without rights,
// no shell object, a cancel at any moment. Whatever fails, the wizard says
// nothing, still reaches its end (or the cancel path), and changes nothing
// outside its own places.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "platform/text.h"
#include "tests/native/install_fixture.h"
#include "wizard/engine/install_manifest.h"
#include "wizard/engine/product_registry.h"
#include "wizard/engine/shortcuts.h"

namespace {

using platform::RegistryRoot;
using Kind = platform::fake::Processes::Kind;

const char* const kSearchDir = "C:\\Windows\\System32";
const char* const kDesktop = "C:\\Users\\tester\\Desktop";
const char* const kPrograms = "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const char* const kQuickLaunch =
    "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
const char* const kGroup =
    "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Velmora\\Quillon";
// From "Install Now" to the completion check's first tick.
constexpr std::uint64_t kCompleted = kTimer9 + 2500;

bool Below(const std::string& path, const std::string& root) {
  const std::string p = platform::UpperAscii(path), r = platform::UpperAscii(root);
  return p == r || (p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == '\\');
}

struct MatrixFixture : InstallFixture {
  MatrixFixture() {
    PutWizardFolder();
    for (const char* dir : {kDesktop, kPrograms, kQuickLaunch}) files.MakeDirectories(dir);
  }

  // What the test itself changed before the wizard started is not looked at.
  std::size_t firstChange = 0;
  wizard::WizardWindow& StartWelcome() {
    firstChange = files.changedPaths().size();
    return InstallFixture::StartWelcome();
  }

  // SetupPath, the first search-path directory, TEMP and the shortcut folders,
  // with everything below them; the maker's directory itself (it is re-made
  // around SetupPath), but nothing else in it.
  void ExpectOnlyOwnPlacesChanged() {
    const std::string startMenu = shell.folders.at("StartMenu");
    const auto& changed = files.changedPaths();
    ASSERT_GT(changed.size(), firstChange);
    for (auto it = changed.begin() + static_cast<std::ptrdiff_t>(firstChange); it != changed.end(); ++it) {
      const std::string& path = *it;
      const bool own = Below(path, kSetupPath) || platform::EqualsNoCase(path, kMaker) ||
                       Below(path, kSearchDir) || Below(path, "C:\\Temp") || Below(path, kDesktop) ||
                       Below(path, startMenu) || Below(path, kQuickLaunch);
      EXPECT_TRUE(own) << path;
    }
  }

  // The completion page, reached without a word to the user.
  void ExpectCompleted() {
    EXPECT_TRUE(w->CompletionPanel.visible());
    EXPECT_EQ(w->CancelButton.text(), "Finish");
    EXPECT_TRUE(w->CancelButton.enabled());
    EXPECT_EQ(w->StatusLabel.text(), "Creating shortcuts...");
    for (const wizard::Timer* t : w->timers()) EXPECT_FALSE(t->enabled()) << t->name();
    EXPECT_TRUE(host.questions.empty());
    EXPECT_FALSE(host.windowHidden);
    EXPECT_FALSE(host.ended);
    EXPECT_EQ(registry.openHandles(), 0u);
    ExpectOnlyOwnPlacesChanged();
  }

  std::string DestinationOf(const wizard::ManifestEntry& e) { return wizard::ManifestDestination(e, env); }
  std::string ContentOf(const wizard::ManifestEntry& e) {
    return e.kind == wizard::ManifestKind::kMarker ? kMarkerText : sources[e.source];
  }
  std::optional<std::string> Content(const std::string& path) {
    std::string data;
    if (files.ReadAll(path, &data) != platform::FsResult::kOk) return std::nullopt;
    return data;
  }
  std::set<std::string> Links() {
    std::set<std::string> links;
    for (const auto& path : files.AllPaths())
      if (path.size() > 4 && platform::EqualsNoCase(path.substr(path.size() - 4), ".lnk")) links.insert(path);
    return links;
  }
};

std::string Blocks(const std::string& data, std::size_t bytes) {
  return data.substr(0, std::min(bytes, data.size()) / 256 * 256);
}

// ---- Each entry of the manifest, each way a file can fail ----

enum class Fault { kMissingSource, kReadFailsHalfway, kLockedDestination, kDiskFullHalfway };

std::string FaultName(const testing::TestParamInfo<Fault>& info) {
  const char* names[] = {"MissingSource", "ReadFailsHalfway", "LockedDestination", "DiskFullHalfway"};
  return names[static_cast<int>(info.param)];
}

class ManifestEntryFault : public testing::TestWithParam<Fault> {};

// What an entry's destination holds afterwards: std::nullopt for no file;
// with `prefixOnly`, any leading part of `content` (or no file).
struct Outcome {
  std::optional<std::string> content;
  bool prefixOnly = false;
};

TEST_P(ManifestEntryFault, OnlyThatEntrySuffersAndTheInstallCompletes) {
  const Fault fault = GetParam();
  const auto& manifest = wizard::InstallManifest();
  const char* const kLockedText = "an earlier, still running copy";
  for (int i = 0; i < wizard::kManifestSize; ++i) {
    const wizard::ManifestEntry& hit = manifest[static_cast<std::size_t>(i)];
    const bool marker = hit.kind == wizard::ManifestKind::kMarker;
    // The marker has no source to lose or to fail.
    if (marker && (fault == Fault::kMissingSource || fault == Fault::kReadFailsHalfway)) continue;
    SCOPED_TRACE(testing::Message() << "entry " << i + 1 << " (" << hit.destination << ")");
    MatrixFixture f;
    const std::string source = std::string("C:\\Setup\\") + hit.source;
    const std::string sourceData = marker ? std::string() : f.sources[hit.source];
    const std::string hitDestination = f.DestinationOf(hit);
    switch (fault) {
      case Fault::kMissingSource:
        ASSERT_EQ(f.files.EraseFile(source), platform::FsResult::kOk);
        break;
      case Fault::kReadFailsHalfway:
        f.files.FailReadsAfter(source, sourceData.size() / 2);
        break;
      case Fault::kLockedDestination:
        f.files.PutFile(hitDestination, kLockedText);
        f.files.Lock(hitDestination);
        break;
      case Fault::kDiskFullHalfway:
        break;
    }
    f.StartWelcome();
    f.InstallNow();
    f.host.RunFor(kTimer2 - 1);
    if (fault == Fault::kDiskFullHalfway) {
      // Room for every entry before this one and half of this one.
      std::uint64_t room = f.ContentOf(hit).size() / 2;
      for (int j = 0; j < i; ++j) room += f.ContentOf(manifest[static_cast<std::size_t>(j)]).size();
      f.files.FillDiskAfter(room);
    }
    f.host.RunFor(kCompleted - (kTimer2 - 1));
    f.ExpectCompleted();
    f.files.Unlock(hitDestination);  // to read it back

    std::int64_t counted = 0;
    std::set<std::string> names;
    for (int j = 0; j < wizard::kManifestSize; ++j) {
      const wizard::ManifestEntry& e = manifest[static_cast<std::size_t>(j)];
      SCOPED_TRACE(testing::Message() << "destination of entry " << j + 1 << " (" << e.destination << ")");
      const bool progress = e.kind == wizard::ManifestKind::kProgress;
      const bool sameSource = !marker && e.kind != wizard::ManifestKind::kMarker &&
                              std::string(e.source) == hit.source;
      const std::string full = f.ContentOf(e);
      Outcome expected{full};
      switch (fault) {
        case Fault::kMissingSource:
          // A progress copy still creates its destination; a plain copy has
          // nothing to copy.
          if (sameSource) expected.content = progress ? std::optional<std::string>("") : std::nullopt;
          break;
        case Fault::kReadFailsHalfway:
          if (sameSource)
            expected.content = progress ? std::optional<std::string>(Blocks(full, full.size() / 2)) : std::nullopt;
          break;
        case Fault::kLockedDestination:
          if (j == i) expected.content = kLockedText;
          break;
        case Fault::kDiskFullHalfway:
          if (j == i) {
            if (e.kind == wizard::ManifestKind::kPlain) expected.content = std::nullopt;
            else if (e.kind == wizard::ManifestKind::kMarker) expected.content = "";
            else expected.content = Blocks(full, full.size() / 2);
          }
          if (j > i) expected.prefixOnly = true;
          break;
      }
      const auto actual = f.Content(f.DestinationOf(e));
      if (expected.prefixOnly) {
        if (actual) {
          EXPECT_EQ(full.compare(0, actual->size(), *actual), 0) << "not a leading part of the source";
        }
      } else {
        EXPECT_EQ(actual, expected.content);
      }
      if (e.folder == wizard::ManifestFolder::kSetupPath) names.insert(e.destination);
      if (progress && !(fault == Fault::kMissingSource && sameSource))
        counted += static_cast<std::int64_t>(full.size());
    }
    // Every block counts, written or not; a missing source has no blocks.
    EXPECT_EQ(f.w->BytesCopied.text(), std::to_string(counted));
    for (const auto& name : f.Listing(kSetupPath)) EXPECT_TRUE(names.count(name)) << name;
    // The chain went on past the copies to the registry and the shortcuts.
    EXPECT_EQ(f.registry.ValueNames(RegistryRoot::kLocalMachine, kUninstallKey).size(), 7u);
    EXPECT_TRUE(f.registry.GetValue(RegistryRoot::kClassesRoot, kHandlerKey, ""));
    EXPECT_EQ(f.processes.Of(Kind::kCommandLine), std::vector<std::string>{kRefreshCommand});
  }
}

INSTANTIATE_TEST_SUITE_P(EveryEntry, ManifestEntryFault,
                         testing::Values(Fault::kMissingSource, Fault::kReadFailsHalfway,
                                         Fault::kLockedDestination, Fault::kDiskFullHalfway),
                         FaultName);

// ---- Registry roots without rights ----

TEST(FaultMatrix, RegistryRootsDeniedLeaveTheirEntriesAlone) {
  const RegistryRoot kCR = RegistryRoot::kClassesRoot, kCU = RegistryRoot::kCurrentUser,
                     kLM = RegistryRoot::kLocalMachine;
  const std::vector<RegistryRoot> cases[] = {{kCR}, {kCU}, {kLM}, {kCR, kCU, kLM}};
  for (const auto& denied : cases) {
    auto isDenied = [&](RegistryRoot r) { return std::find(denied.begin(), denied.end(), r) != denied.end(); };
    SCOPED_TRACE(testing::Message() << "denied: " << denied.size() << " roots, first " << static_cast<unsigned>(denied[0]));
    MatrixFixture f;
    // An earlier install under every root.
    f.registry.PutValue(kCU, kSettingsKey, "AUTORUN", platform::kRegSz, "1");
    f.registry.PutValue(kLM, kRunOnceKey, "Quillen", platform::kRegSz, "old");
    f.registry.PutValue(kCR, kHandlerKey, "", platform::kRegSz, "{old}");
    f.registry.PutValue(kLM, kUninstallKey, "DisplayName", platform::kRegSz, "Quillon (old)");
    for (RegistryRoot r : denied) f.registry.DenyAccess(r);
    f.StartWelcome();
    f.InstallNow();
    f.host.RunFor(kCompleted);
    f.ExpectCompleted();

    EXPECT_EQ(f.registry.HasKey(kCU, kSettingsKey), isDenied(kCU));
    EXPECT_EQ(f.registry.GetValue(kLM, kRunOnceKey, "Quillen").has_value(), isDenied(kLM));
    EXPECT_EQ(f.registry.GetValue(kCR, kHandlerKey, "")->text(),
              isDenied(kCR) ? std::string("{old}") : std::string(kHandlerClassId) + '\0');
    EXPECT_EQ(f.registry.GetValue(kLM, kUninstallKey, "DisplayName")->text(),
              isDenied(kLM) ? std::string("Quillon (old)") : std::string("Quillon (1.0.2105.34041)") + '\0');
    EXPECT_EQ(f.registry.ValueNames(kLM, kUninstallKey).size(), isDenied(kLM) ? 1u : 7u);
    // The files do not depend on the registry.
    EXPECT_EQ(f.Listing(kSetupPath).size(), 31u);
  }
}

// ---- No shell object, or one without folders ----

TEST(FaultMatrix, WithoutShellFoldersTheShortcutsAreMissingAndTheInstallCompletes) {
  struct Case {
    const char* what;
    std::function<void(MatrixFixture&)> breakShell;  // after start-up, which needs the shell
    std::set<std::string> links;
    std::size_t refreshes;
  };
  const Case cases[] = {
      {"no shell object", [](MatrixFixture& f) { f.shell.available = false; }, {}, 0},
      // Quick Launch comes from the folder the start-up stored.
      {"no special folders", [](MatrixFixture& f) { f.shell.folders.clear(); },
       {std::string(kQuickLaunch) + "\\Quillon.lnk"}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MatrixFixture f;
    auto& w = f.StartWelcome();
    ASSERT_EQ(f.wizard->startState(), wizard::StartState::kPresent);
    const std::string startMenu = f.shell.folders.at("StartMenu");
    c.breakShell(f);
    f.GoToOptions();
    for (auto* option : {&w.ProgramsGroupOption, &w.DesktopOption, &w.StartMenuOption, &w.QuickLaunchOption})
      option->SetCheck(1);
    f.Click(w.NextButton);
    f.host.RunFor(kCompleted);
    f.shell.folders["StartMenu"] = startMenu;  // for the check of where things went
    f.ExpectCompleted();
    EXPECT_EQ(f.Links(), c.links);
    EXPECT_FALSE(f.files.Attributes(std::string(kPrograms) + "\\Velmora"));
    EXPECT_EQ(f.processes.Of(Kind::kCommandLine), std::vector<std::string>(c.refreshes, kRefreshCommand));
    EXPECT_EQ(f.Listing(kSetupPath).size(), 31u);
  }
}

// ---- A confirmed cancel at every moment ----

TEST(FaultMatrix, CancelAtEachBlockOfAThreeBlockFile) {
  struct Case {
    int afterBlock;  // the cancel is answered in the event pass after this block
    bool confirmed;
  };
  const Case cases[] = {{1, true}, {2, true}, {3, true}, {2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "after block " << c.afterBlock << (c.confirmed ? ", Yes" : ", No"));
    MatrixFixture f;
    // The first entry: three whole blocks and a remainder.
    const std::string first = std::string(3 * 256 + 44, 'q');
    f.sources["quilbox_.NET.EXE"] = first;
    f.files.PutFile("C:\\Setup\\quilbox_.NET.EXE", first);
    auto& w = f.StartWelcome();
    f.InstallNow();
    f.host.RunFor(kTimer2 - 1);
    f.host.answers = {c.confirmed};
    f.host.onPendingEvents = [&](int pass) {
      if (pass == c.afterBlock) f.wizard->OnClick(w.CancelButton);
    };
    f.host.RunFor(1);
    ASSERT_EQ(f.host.questions.size(), 1u);
    EXPECT_TRUE(f.files.FileExists("C:\\Temp\\temp1.bat"));
    if (!c.confirmed) {
      f.host.RunFor(kCompleted - kTimer2);
      f.host.questions.clear();
      f.ExpectCompleted();
      EXPECT_EQ(f.Listing(kSetupPath).size(), 31u);
      continue;
    }
    // The copy stopped one block after the answer (the last block leaves
    // only the remainder); the file was open, so it stays for the script.
    const std::string kept = first.substr(0, c.afterBlock < 3 ? (c.afterBlock + 1) * 256 : first.size());
    EXPECT_EQ(f.Listing(kSetupPath), std::set<std::string>{"SETUP32_.NET.EXE"});
    EXPECT_EQ(f.Read(std::string(kSetupPath) + "\\SETUP32_.NET.EXE"), kept);
    EXPECT_EQ(w.BytesCopied.text(), std::to_string(kept.size()));
    EXPECT_FALSE(f.files.FileExists(std::string(kSearchDir) + "\\quilbox.dll"));
    EXPECT_TRUE(w.Timer3.enabled());
    EXPECT_TRUE(w.Timer4.enabled());
    EXPECT_TRUE(f.host.windowHidden);
    f.host.RunFor(2500);
    EXPECT_TRUE(f.host.ended);
    EXPECT_EQ(f.processes.Of(Kind::kHiddenBatch), std::vector<std::string>{"C:\\Temp\\temp1.bat"});
    // It ended before the first registry write.
    EXPECT_TRUE(f.registry.AllKeys().empty());
    EXPECT_EQ(f.registry.openHandles(), 0u);
    f.ExpectOnlyOwnPlacesChanged();
  }
}

TEST(FaultMatrix, CancelAfterEachStepOfTheChain) {
  // A close request (the buttons are gone after the copies) answered Yes,
  // 1 ms after a step ran. The steps that come due in the 2.5 s before the
  // end still run, but write nothing: only what was written before stays.
  struct Case {
    const char* after;
    std::uint64_t at;  // ms after Install Now
    bool handler, uninstall, links;
  };
  const Case cases[] = {
      {"Install Now", 0, false, false, false},
      {"Timer6", kTimer6, false, false, false},
      {"Timer7", kTimer7, false, false, false},
      {"Timer1", kTimer1, false, false, false},  // the copy step comes due and copies nothing
      {"Timer2", kTimer2, false, false, false},
      {"Timer3", kTimer3, false, false, false},
      {"Timer4", kTimer4, false, false, false},
      {"Timer5", kTimer5, true, false, false},
      {"Timer8", kTimer8, true, true, false},
      {"Timer9", kTimer9, true, true, false},
      {"Timer13", kTimer9 + 1250, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.after);
    MatrixFixture f;
    f.StartWelcome();
    f.InstallNow();
    f.host.RunFor(c.at + 1);
    f.host.answers = {true};
    f.wizard->OnCloseRequest();
    EXPECT_TRUE(f.host.windowHidden);
    f.host.RunFor(2499);
    EXPECT_FALSE(f.host.ended);
    f.host.RunFor(1);
    EXPECT_TRUE(f.host.ended);
    EXPECT_EQ(f.host.questions.size(), 1u);
    EXPECT_EQ(f.processes.Of(Kind::kHiddenBatch), std::vector<std::string>{"C:\\Temp\\temp1.bat"});
    // Whatever had been copied is gone; the two directories are left, empty.
    EXPECT_TRUE(f.Listing(kSetupPath).empty());
    EXPECT_EQ(f.Listing(kMaker), std::set<std::string>{"Quillon"});
    EXPECT_FALSE(f.files.FileExists(std::string(kSearchDir) + "\\quilbox.dll"));
    EXPECT_EQ(f.registry.HasKey(RegistryRoot::kClassesRoot, kHandlerKey), c.handler);
    EXPECT_EQ(f.registry.HasKey(RegistryRoot::kLocalMachine, kUninstallKey), c.uninstall);
    EXPECT_EQ(f.Links().size(), c.links ? 3u : 0u);
    EXPECT_EQ(f.registry.openHandles(), 0u);
    f.ExpectOnlyOwnPlacesChanged();
  }

  // On the completion page the close request is the Finish button: it ends
  // at once and leaves the install as it is.
  MatrixFixture f;
  f.StartWelcome();
  f.InstallNow();
  f.host.RunFor(kCompleted);
  f.wizard->OnCloseRequest();
  EXPECT_TRUE(f.host.ended);
  EXPECT_TRUE(f.host.questions.empty());
  EXPECT_TRUE(f.processes.Of(Kind::kHiddenBatch).empty());
  EXPECT_EQ(f.Listing(kSetupPath).size(), 31u);
  f.ExpectOnlyOwnPlacesChanged();
}

}  // namespace
