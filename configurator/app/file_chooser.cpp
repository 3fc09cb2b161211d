#include "configurator/app/file_chooser.h"

#include <commdlg.h>

namespace tessel::cfgapp {

namespace {

// "description\0pattern\0\0", as the common dialogs take their filters.
std::wstring filterText(const FileFilter& filter) {
    std::wstring text = filter.description;
    text += L'\0';
    text += filter.pattern;
    text += L'\0';
    return text + L'\0';
}

}  // namespace

std::optional<std::wstring> CFileChooser::Open(HWND owner, const std::wstring& title, const FileFilter& filter) {
    wchar_t path[MAX_PATH] = L"";
    const std::wstring filters = filterText(filter);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    return std::wstring(path);
}

std::optional<std::wstring> CFileChooser::Save(HWND owner, const std::wstring& title, const FileFilter& filter,
                                               bool keepFolder) {
    wchar_t path[MAX_PATH] = L"";
    const std::wstring filters = filterText(filter);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = filter.extension.c_str();
    dialog.Flags = OFN_PATHMUSTEXIST | (keepFolder ? OFN_HIDEREADONLY | OFN_NOCHANGEDIR : 0);
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return std::wstring(path);
}

}  // namespace tessel::cfgapp
