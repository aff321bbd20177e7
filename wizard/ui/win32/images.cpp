#include "wizard/ui/win32/images.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>

#include "wizard/ui/win32/resource_ids.h"

namespace wizard::win32 {
namespace {

Image FromBitmap(HBITMAP bitmap) {
  Image image;
  BITMAP info;
  if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
    image.bitmap = bitmap;
    image.width = info.bmWidth;
    image.height = info.bmHeight;
  }
  return image;
}

Image LoadJpeg(HINSTANCE instance, int id) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!found) return {};
  const DWORD size = SizeofResource(instance, found);
  const void* bytes = LockResource(LoadResource(instance, found));
  if (!bytes || size == 0) return {};
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return {};
  std::memcpy(GlobalLock(memory), bytes, size);
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return {};
  }
  IPicture* picture = nullptr;
  HBITMAP copy = nullptr;
  if (SUCCEEDED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                               reinterpret_cast<void**>(&picture)))) {
    OLE_HANDLE handle = 0;
    if (SUCCEEDED(picture->get_Handle(&handle)))
      copy = static_cast<HBITMAP>(CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)),
                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    picture->Release();
  }
  stream->Release();
  return FromBitmap(copy);
}

Image LoadBmp(HINSTANCE instance, int id) {
  return FromBitmap(static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

}  // namespace

Image LoadAsset(HINSTANCE instance, Asset asset) {
  switch (asset) {
    case Asset::kNone: return {};
    case Asset::kBanner: return LoadJpeg(instance, IDR_BANNER_JPEG);
    case Asset::kFooter: return LoadJpeg(instance, IDR_FOOTER_JPEG);
    case Asset::kProductName: return LoadBmp(instance, IDB_PRODUCT_NAME);
    case Asset::kOrnament: return LoadBmp(instance, IDB_ORNAMENT);
    case Asset::kEditionStrip: return LoadBmp(instance, IDB_EDITION_STRIP);
    case Asset::kFrameworkPage: return LoadBmp(instance, IDB_FRAMEWORK_PAGE);
    case Asset::kErrorPage: return LoadBmp(instance, IDB_ERROR_PAGE);
    case Asset::kCompletionPanel: return LoadBmp(instance, IDB_COMPLETION_PANEL);
    case Asset::kCompletionImage: return LoadBmp(instance, IDB_COMPLETION_IMAGE);
  }
  return {};
}

}  // namespace wizard::win32
