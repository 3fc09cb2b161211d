// GDI+ images: the session the program keeps while it draws, and images decoded from the
// program's "PNG" resources.
#pragma once

#include <windows.h>
#include <objidl.h>  // gdiplus.h needs IStream and PROPID, which WIN32_LEAN_AND_MEAN leaves out
// gdiplus.h needs min and max as names, which NOMINMAX hides.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <memory>

#include "wingui/handles.h"

class GdiPlusSession {
 public:
  GdiPlusSession();
  ~GdiPlusSession();
  GdiPlusSession(const GdiPlusSession&) = delete;
  GdiPlusSession& operator=(const GdiPlusSession&) = delete;
  bool ok() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

// Owns one decoded image.
class CGdiPlusBitmap {
 public:
  CGdiPlusBitmap() = default;
  virtual ~CGdiPlusBitmap() = default;
  CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
  CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;
  CGdiPlusBitmap(CGdiPlusBitmap&&) = default;
  CGdiPlusBitmap& operator=(CGdiPlusBitmap&&) = default;

  Gdiplus::Bitmap* image() const { return image_.get(); }
  explicit operator bool() const { return image_ != nullptr; }
  SIZE Size() const;
  virtual void Empty() { image_.reset(); }

 protected:
  std::unique_ptr<Gdiplus::Bitmap> image_;
};

// An image decoded from a resource of type "PNG". GDI+ reads the stream lazily, so the global
// memory holding the resource's bytes lives as long as the image.
class CGdiPlusBitmapResource : public CGdiPlusBitmap {
 public:
  // Replaces the image; on failure this object is empty.
  bool Load(int id, const wchar_t* type = L"PNG", HINSTANCE module = nullptr);
  void Empty() override;

 private:
  wingui::UniqueGlobal memory_;
};
