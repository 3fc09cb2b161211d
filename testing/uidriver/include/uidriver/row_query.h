// The private "row text and value" query that the product's lists answer. The product's own
// header controls/row_query.h owns this contract; these definitions must stay identical to it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace uidriver {

// wParam: the row index, or (WPARAM)-1 to ask only for the count; lParam: the asking window.
// The list returns its number of rows. When the row exists it first sends the asking window
// WM_COPYDATA (synchronously) with dwData = kRowQueryAnswerTag and a RowQueryAnswer.
constexpr UINT kRowQueryMessage = WM_APP + 0x300;
constexpr ULONG_PTR kRowQueryAnswerTag = 0x524F5751;

struct RowQueryAnswer {
    int32_t row;
    int32_t reserved;
    int64_t value;
    wchar_t text[260];
};

}  // namespace uidriver
