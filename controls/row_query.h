// The private row query of the skinned lists: a test driver or another window asks a list for
// the text and value of one row without knowing how the list stores them.
//
// Send kRowQueryMessage to the list with wParam = row index (or (WPARAM)-1 for the count only)
// and lParam = the asking window. The list answers with its number of rows; when the row exists
// it first sends the asking window WM_COPYDATA (synchronously) with dwData =
// kRowQueryCopyDataTag and a RowQueryAnswer as payload.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT kRowQueryMessage = WM_APP + 0x300;
constexpr ULONG_PTR kRowQueryCopyDataTag = 0x524F5751;

struct RowQueryAnswer {
  int32_t row;
  int32_t reserved;
  int64_t value;
  wchar_t text[260];  // NUL-terminated
};

#include <string>

// The list's side: sends the asker one row's text and value.
inline void SendRowAnswer(HWND list, HWND asker, int row, const std::wstring& text,
                          int64_t value) {
  RowQueryAnswer answer{};
  answer.row = row;
  answer.value = value;
  size_t n = text.size() < 259 ? text.size() : 259;
  text.copy(answer.text, n);
  answer.text[n] = L'\0';
  COPYDATASTRUCT cds{kRowQueryCopyDataTag, sizeof answer, &answer};
  SendMessageW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(list), reinterpret_cast<LPARAM>(&cds));
}
