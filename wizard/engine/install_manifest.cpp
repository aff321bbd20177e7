#include "wizard/engine/install_manifest.h"

#include "wizard/model/marker_file.h"
#include "wizard/model/setup_paths.h"

namespace wizard {

const std::array<ManifestEntry, kManifestSize>& InstallManifest() {
  using K = ManifestKind;
  constexpr auto S = ManifestFolder::kSetupPath;
  // The .NET edition of the launcher ships as "quilbox_.NET.EXE" and is
  // installed under the launcher's .NET name; the wizard's own
  // "SETUP32_.NET.EXE" only feeds the two plain copies.
  static const std::array<ManifestEntry, kManifestSize> manifest = {{
      {K::kProgress, "quilbox_.NET.EXE", S, "SETUP32_.NET.EXE"},
      {K::kProgress, "quilbox.exe", S, "quilbox.exe"},
      {K::kProgress, "quilbox.dll", ManifestFolder::kFirstSearchPathDirectory, "quilbox.dll"},
      {K::kProgress, "quilbox.exe.manifest", S, "quilbox.exe.manifest"},
      {K::kProgress, "quilbox.xml", S, "quilbox.xml"},
      {K::kProgress, "quilbox.vshost.exe", S, "quilbox.vshost.exe"},
      {K::kProgress, "asycfilt.dll", S, "asycfilt.dll"},
      {K::kProgress, "Velmora.url", S, "Velmora.url"},
      {K::kProgress, "AxInterop.ComCtl2.dll", S, "AxInterop.ComCtl2.dll"},
      {K::kProgress, "AxInterop.ComctlLib.dll", S, "AxInterop.ComctlLib.dll"},
      {K::kProgress, "COMCAT.DLL", S, "COMCAT.DLL"},
      {K::kProgress, "COMCT232.OCX", S, "COMCT232.OCX"},
      {K::kProgress, "comctl32.ocx", S, "comctl32.ocx"},
      {K::kProgress, "comdlg32.ocx", S, "comdlg32.ocx"},
      {K::kProgress, "DLLUNREG.exe", S, "DLLUNREG.exe"},
      {K::kProgress, "Interop.ComCtl2.dll", S, "Interop.ComCtl2.dll"},
      {K::kProgress, "Interop.ComctlLib.dll", S, "Interop.ComctlLib.dll"},
      {K::kProgress, "Interop.IWshRuntimeLibrary.dll", S, "Interop.IWshRuntimeLibrary.dll"},
      {K::kProgress, "Microsoft.VisualBasic.Compatibility.dll", S, "Microsoft.VisualBasic.Compatibility.dll"},
      {K::kProgress, "MSCOMCTL.OCX", S, "MSCOMCTL.OCX"},
      {K::kProgress, "MSVBVM60.DLL", S, "MSVBVM60.DLL"},
      {K::kMarker, "", S, kMarkerFileName},
      {K::kProgress, "SETUP32.EXE", S, "SETUP32.EXE"},
      {K::kProgress, "SETUP32.EXE", S, "SETUP1.EXE"},
      {K::kProgress, "SETUP32.EXE", S, "SETUP.EXE"},
      {K::kPlain, "SETUP32_.NET.EXE", S, "SETUP1_.NET.EXE"},
      {K::kPlain, "SETUP32_.NET.EXE", S, "SETUP_.NET.EXE"},
      {K::kProgress, "START.EXE", S, "START.EXE"},
      {K::kProgress, "stdole2.tlb", S, "stdole2.tlb"},
      {K::kProgress, "uninstall.dll", S, "uninstall.dll"},
      {K::kProgress, "uninstall.exe", S, "uninstall.exe"},
      {K::kProgress, "wshom.ocx", S, "wshom.ocx"},
  }};
  return manifest;
}

std::string ManifestDestination(const ManifestEntry& entry, const platform::Environment& env) {
  if (entry.folder == ManifestFolder::kSetupPath) return SetupPath(env) + "\\" + entry.destination;
  const auto directory = FirstSearchPathDirectory(env);
  if (!directory) return {};
  return *directory + "\\" + entry.destination;
}

}  // namespace wizard
