# The sample product: every file the wizard's manifest takes from its own
# folder, with the size it is generated at. The 29 progress copies (every file
# but SETUP32_.NET.EXE, with SETUP32.EXE installed three times) add up to the
# wizard's byte total, so the overall bar ends at exactly 100%.
set(QUILLON_SAMPLE_PRODUCT_FILES
  "quilbox_.NET.EXE"                        1245184
  "quilbox.exe"                             1409024
  "quilbox.dll"                             286720
  "quilbox.exe.manifest"                    1176
  "quilbox.xml"                             48214
  "quilbox.vshost.exe"                      5632
  "asycfilt.dll"                            147456
  "Velmora.url"                             122
  "AxInterop.ComCtl2.dll"                   16384
  "AxInterop.ComctlLib.dll"                 69632
  "COMCAT.DLL"                              22288
  "COMCT232.OCX"                            163088
  "comctl32.ocx"                            608448
  "comdlg32.ocx"                            140096
  "DLLUNREG.exe"                            20480
  "Interop.ComCtl2.dll"                     24576
  "Interop.ComctlLib.dll"                   135168
  "Interop.IWshRuntimeLibrary.dll"          40960
  "Microsoft.VisualBasic.Compatibility.dll" 290816
  "MSCOMCTL.OCX"                            1066152
  "MSVBVM60.DLL"                            1386496
  "SETUP32.EXE"                             9264056
  "SETUP32_.NET.EXE"                        1253376
  "START.EXE"                               24576
  "stdole2.tlb"                             17920
  "uninstall.dll"                           45056
  "uninstall.exe"                           32768
  "wshom.ocx"                               172032)
set(QUILLON_SAMPLE_PROGRESS_TOTAL 35212632)
