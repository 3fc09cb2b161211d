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

// The open and the save dialog take the same record; `flags` tell them apart.
std::optional<std::wstring> Choose(HWND owner, const std::wstring& title, const FileFilter& filter, DWORD flags,
                                   bool save) {
    wchar_t path[MAX_PATH] = L"";
    const std::wstring filters = filterText(filter);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = save ? filter.extension.c_str() : nullptr;
    dialog.Flags = flags;
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return std::nullopt;
    return std::wstring(path);
}

}  // namespace

std::optional<std::wstring> CFileChooser::Open(HWND owner, const std::wstring& title, const FileFilter& filter) {
    return Choose(owner, title, filter, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, false);
}

std::optional<std::wstring> CFileChooser::Save(HWND owner, const std::wstring& title, const FileFilter& filter,
                                               bool keepFolder) {
    return Choose(owner, title, filter, OFN_PATHMUSTEXIST | (keepFolder ? OFN_HIDEREADONLY | OFN_NOCHANGEDIR : 0), true);
}

const wchar_t* ExchangeFailureText(cfg::ExchangeResult result, bool profiles) {
    switch (result) {
        case cfg::ExchangeResult::limitReached: return L"Maximum number of profiles reached";
        case cfg::ExchangeResult::nameInvalid:
            return profiles ? L"The profile's name is longer than the mouse can keep."
                            : L"The macro's name is longer than the mouse can keep.";
        case cfg::ExchangeResult::readFailed: return L"The file could not be read.";
        case cfg::ExchangeResult::writeFailed: return L"The file could not be written.";
        case cfg::ExchangeResult::tooLong: return L"This macro has more than 16 events: record it anew to export it.";
        default: return profiles ? L"The file holds no profile of this mouse." : L"The file holds no macro.";
    }
}

}  // namespace tessel::cfgapp
