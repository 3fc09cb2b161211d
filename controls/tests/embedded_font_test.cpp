// The embedded face is registered for this process only. The machine does not have the face
// (the build takes it out of its package without installing it), so it can come from nowhere
// else.
#include <gtest/gtest.h>

#include <windows.h>

#include "embedded_font.h"
#include "resource.h"
#include "skin_paint.h"

namespace {

bool FaceListed(const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(lf.lfFaceName, face);
  HDC dc = GetDC(nullptr);
  int found = 0;
  EnumFontFamiliesExW(
      dc, &lf,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
        ++*reinterpret_cast<int*>(p);
        return 1;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found > 0;
}

std::wstring FaceUsed(const wchar_t* face, bool bold, int height = 16) {
  wingui::UniqueFont font = MakeFont(height, face, bold);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font.get());
  wchar_t used[LF_FACESIZE] = L"";
  GetTextFaceW(dc, LF_FACESIZE, used);
  SelectObject(dc, old);
  DeleteDC(dc);
  return used;
}

TEST(EmbeddedFontTest, TheFaceExistsOnlyOnceRegisteredFromTheResources) {
  ASSERT_FALSE(FaceListed(L"Play")) << "the machine must not offer the face itself";
  // Another size than below: Wine keeps a realized font for the same request.
  EXPECT_NE(FaceUsed(L"Play", false, 17), L"Play");

  EmbeddedFont font;
  ASSERT_TRUE(font.Register(GetModuleHandleW(nullptr), {IDR_FONT_REGULAR, IDR_FONT_BOLD}));
  EXPECT_EQ(font.Count(), 2u);
  EXPECT_TRUE(FaceListed(L"Play"));
  EXPECT_EQ(FaceUsed(L"Play", false), L"Play");
  EXPECT_EQ(FaceUsed(L"Play", true), L"Play");
  EXPECT_FALSE(font.Register(GetModuleHandleW(nullptr), {9999})) << "a missing resource fails";
}

}  // namespace
