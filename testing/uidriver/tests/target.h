// What the driver's tests know of their target program.
#pragma once

#include <string_view>

namespace target {

inline constexpr const wchar_t* kTitle = L"Uidriver Target";
inline constexpr const wchar_t* kClass = L"UidriverTarget";
inline constexpr int kButton = 101, kEdit = 102, kList = 103, kPatch = 104, kStatus = 105;
// A registered message the status line reports with its parameters ("posted W L").
inline constexpr const wchar_t* kPostedMessage = L"UidriverTargetPosted";
inline constexpr int kPatchX = 240, kPatchY = 20, kPatchWidth = 64, kPatchHeight = 48;
// Longer than a first guess at a buffer, to show that long texts are read whole.
inline constexpr std::wstring_view kPatchText =
    L"Colour patch: a control that answers WM_GETTEXT itself. 0123456789012345678901234567890123456789"
    L"0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
    L"0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789";
inline constexpr unsigned char kPatchRed = 0x20, kPatchGreen = 0x80, kPatchBlue = 0xC0;

}  // namespace target
