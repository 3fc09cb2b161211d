#include "embedded_font.h"

bool EmbeddedFont::Register(HINSTANCE module, std::initializer_list<int> ids) {
  bool all = true;
  for (int id : ids) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD faces = 0;
    HANDLE h = bytes ? AddFontMemResourceEx(bytes, SizeofResource(module, found), nullptr, &faces)
                     : nullptr;
    if (h)
      fonts_.emplace_back(h);
    else
      all = false;
  }
  return all;
}
