#pragma once

#include <windows.h>

#include "wizard/model/control_model.h"

namespace wizard::win32 {

struct Image {
  HBITMAP bitmap = nullptr;
  int width = 0, height = 0;
};

// Loads an image asset from the program's resources (bitmaps directly, JPEGs
// through the OLE picture loader); an empty Image when it cannot be had.
Image LoadAsset(HINSTANCE instance, Asset asset);

}  // namespace wizard::win32
