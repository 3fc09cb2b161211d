// The files the user picks: the common open and save dialogs behind one small interface, so the
// pages ask for a path and never build a dialog themselves.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "configurator/model/model_exchange.h"

namespace tessel::cfgapp {

struct FileFilter {
    std::wstring description;  // "Kavix Exchange Profile File (*.kxp)", translated
    std::wstring pattern;      // "*.kxp"
    std::wstring extension;    // the default extension when saving: "kxp"
};

class CFileChooser {
public:
    // A file that exists; none when the user cancelled.
    static std::optional<std::wstring> Open(HWND owner, const std::wstring& title, const FileFilter& filter);
    // A file to write, created when missing; `keepFolder` leaves the current directory as it was.
    static std::optional<std::wstring> Save(HWND owner, const std::wstring& title, const FileFilter& filter,
                                            bool keepFolder);
};

// What a box tells the user when reading or writing an exchange file of profiles (or macros)
// did not succeed.
const wchar_t* ExchangeFailureText(cfg::ExchangeResult result, bool profiles);

}  // namespace tessel::cfgapp
