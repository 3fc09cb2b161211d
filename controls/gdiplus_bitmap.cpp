#include "gdiplus_bitmap.h"

#include <objidl.h>

#include <cstring>

GdiPlusSession::GdiPlusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiPlusSession::~GdiPlusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

SIZE CGdiPlusBitmap::Size() const {
  if (!image_) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(image_->GetWidth()), static_cast<LONG>(image_->GetHeight())};
}

void CGdiPlusBitmapResource::Empty() {
  image_.reset();  // before the memory it reads from
  memory_.reset();
}

bool CGdiPlusBitmapResource::Load(int id, const wchar_t* type, HINSTANCE module) {
  Empty();
  if (id <= 0) return false;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return false;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return false;

  wingui::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return false;
  {
    wingui::GlobalLocked locked(memory.get());
    if (!locked.get()) return false;
    std::memcpy(locked.get(), bytes, size);
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory.get(), FALSE, &stream))) return false;
  std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromStream(stream));
  stream->Release();
  if (!image || image->GetLastStatus() != Gdiplus::Ok) return false;
  memory_ = std::move(memory);
  image_ = std::move(image);
  return true;
}
