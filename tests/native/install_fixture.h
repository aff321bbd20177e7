#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/native/expected_values.h"
#include "tests/native/wizard_fixture.h"
#include "wizard/engine/install_manifest.h"

// A wizard with a wizard folder full of product files, driven from the
// welcome page.
const char* const kSetupPath = "C:\\Program Files\\Velmora\\Quillon";
const char* const kMaker = "C:\\Program Files\\Velmora";
const char* const kMarkerText = "This is a temporary file.\r\n";

// The install's file actions, in order; an empty destination keeps the source name.
struct ExpectedEntry {
  wizard::ManifestKind kind;
  const char* source;
  wizard::ManifestFolder folder;
  const char* destination;
  std::string DestinationName() const { return *destination ? destination : source; }
};
inline const std::vector<ExpectedEntry>& ExpectedManifest() {
  constexpr auto P = wizard::ManifestKind::kProgress;
  constexpr auto S = wizard::ManifestFolder::kSetupPath;
  static const std::vector<ExpectedEntry> entries = {
      {P, "quilbox_.NET.EXE", S, "SETUP32_.NET.EXE"},
      {P, "quilbox.exe", S, ""},
      {P, "quilbox.dll", wizard::ManifestFolder::kFirstSearchPathDirectory, ""},
      {P, "quilbox.exe.manifest", S, ""},
      {P, "quilbox.xml", S, ""},
      {P, "quilbox.vshost.exe", S, ""},
      {P, "asycfilt.dll", S, ""},
      {P, "Velmora.url", S, ""},
      {P, "AxInterop.ComCtl2.dll", S, ""},
      {P, "AxInterop.ComctlLib.dll", S, ""},
      {P, "COMCAT.DLL", S, ""},
      {P, "COMCT232.OCX", S, ""},
      {P, "comctl32.ocx", S, ""},
      {P, "comdlg32.ocx", S, ""},
      {P, "DLLUNREG.exe", S, ""},
      {P, "Interop.ComCtl2.dll", S, ""},
      {P, "Interop.ComctlLib.dll", S, ""},
      {P, "Interop.IWshRuntimeLibrary.dll", S, ""},
      {P, "Microsoft.VisualBasic.Compatibility.dll", S, ""},
      {P, "MSCOMCTL.OCX", S, ""},
      {P, "MSVBVM60.DLL", S, ""},
      {wizard::ManifestKind::kMarker, "", S, "temp.dat"},
      {P, "SETUP32.EXE", S, ""},
      {P, "SETUP32.EXE", S, "SETUP1.EXE"},
      {P, "SETUP32.EXE", S, "SETUP.EXE"},
      {wizard::ManifestKind::kPlain, "SETUP32_.NET.EXE", S, "SETUP1_.NET.EXE"},
      {wizard::ManifestKind::kPlain, "SETUP32_.NET.EXE", S, "SETUP_.NET.EXE"},
      {P, "START.EXE", S, ""},
      {P, "stdole2.tlb", S, ""},
      {P, "uninstall.dll", S, ""},
      {P, "uninstall.exe", S, ""},
      {P, "wshom.ocx", S, ""},
  };
  return entries;
}

// Milliseconds from "Install Now" to each step of the chain.
constexpr std::uint64_t kTimer6 = 500, kTimer7 = 1000, kTimer1 = 3500, kTimer2 = 4500, kTimer3 = 4625,
                        kTimer4 = 6000, kTimer5 = 7500, kTimer8 = 10000, kTimer9 = 12500;

struct InstallFixture : WizardFixture {
  wizard::WizardWindow* w = nullptr;
  std::map<std::string, std::string> sources;  // wizard folder's files by name

  // Every source of the manifest, each with its own content and length.
  void PutWizardFolder() {
    std::size_t size = 300;
    for (const auto& e : ExpectedManifest()) {
      if (e.kind == wizard::ManifestKind::kMarker || sources.count(e.source)) continue;
      sources[e.source] = std::string(size, static_cast<char>('A' + sources.size())) + e.source;
      files.PutFile("C:\\Setup\\" + std::string(e.source), sources[e.source]);
      size += 517;
    }
  }
  wizard::WizardWindow& StartWelcome() {
    w = &Start();
    return *w;
  }
  void Click(wizard::Control& c) { wizard->OnClick(c); }
  void GoToOptions() {
    Click(w->NextButton);
    host.RunFor(1);
  }
  void InstallNow() {
    GoToOptions();
    Click(w->NextButton);
  }
  std::string Read(const std::string& path) {
    std::string data;
    EXPECT_EQ(files.ReadAll(path, &data), platform::FsResult::kOk) << path;
    return data;
  }
  std::set<std::string> Listing(const std::string& dir) {
    std::vector<platform::DirectoryEntry> entries;
    files.List(dir, &entries);
    std::set<std::string> names;
    for (const auto& e : entries) names.insert(e.name);
    return names;
  }
};
