// The system DLLs that are not always on the loader's protected list
// (comctl32 never is), loaded only after the DLL search has been restricted
// to the system directory, so that none is taken from the program's folder.
#pragma once

#include <windows.h>

namespace launcher::win32 {

// InitCommonControlsEx with the progress bar class only.
bool RegisterProgressClass();
// ShellExecuteA's "open" verb with a normal window, no working directory.
void ShellOpen(const char* file, const char* parameters);
// CoInitializeEx for a single-threaded apartment; true when it must be undone.
bool InitialiseCom();
void UninitialiseCom();

}  // namespace launcher::win32
