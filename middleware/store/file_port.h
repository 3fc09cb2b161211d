#pragma once
// Whole-file reads and replacements for the XML exchange files.
#include <string>
#include <string_view>

#include "middleware/common/status.h"

namespace tessel::store {

class FilePort {
public:
    virtual ~FilePort() = default;
    // The file's bytes; `exists` false (and no bytes) when there is no such file. E_FAIL when
    // it exists but cannot be read.
    virtual HResult read(const std::u16string& path, std::string& bytes, bool& exists) = 0;
    // Replaces the file whole, creating it when missing: the bytes go to a temporary file
    // beside it, which then takes its place, so a failure leaves the old file as it was.
    // E_FAIL on any failure.
    virtual HResult replace(const std::u16string& path, std::string_view bytes) = 0;
};

// The files of the local file system (std::filesystem), on every platform.
class LocalFiles final : public FilePort {
public:
    HResult read(const std::u16string& path, std::string& bytes, bool& exists) override;
    HResult replace(const std::u16string& path, std::string_view bytes) override;
};

// The one LocalFiles of the process.
FilePort& localFiles();

}  // namespace tessel::store
