// Reading what windows show: their text, and the rows of the product's lists.
#pragma once

#include "uidriver/failure.h"

#include <cstdint>
#include <string>
#include <vector>

namespace uidriver {

// WM_GETTEXT through SendMessageTimeout: works for windows of other processes and for skinned
// controls that keep their text themselves; a window that does not answer in time is a Failure.
std::wstring windowText(HWND window, milliseconds timeout = milliseconds{2000});

// Waits until windowText(window) == expected; the failure message shows the last text seen.
void waitForText(HWND window, std::wstring_view expected, milliseconds timeout = kDefaultTimeout);

struct Row {
    int index = 0;
    int64_t value = 0;
    std::wstring text;
};

// The lists of the product answer a private row query (see controls/row_query.h).
int rowCount(HWND list);
Row readRow(HWND list, int index);
std::vector<Row> readRows(HWND list);

}  // namespace uidriver
