// registration_entries SERVER OUT: runs the server's own DllRegisterServer with the classes root
// redirected into a scratch key, and writes what it wrote as registry rows of the installer
// (a wixl include). The installer thus carries exactly the registration that regsvr32 makes,
// without self-registration at install time and without a second list that could drift.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Scratch key under HKEY_CURRENT_USER, unique to this process and removed afterwards (not
// volatile: the registration creates lasting subkeys, which a volatile parent refuses).
std::wstring scratchKeyPath() {
    return L"Software\\Tessel registration capture " + std::to_wstring(GetCurrentProcessId());
}

std::wstring xmlEscaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'&': out += L"&amp;"; break;
            case L'<': out += L"&lt;"; break;
            case L'>': out += L"&gt;"; break;
            case L'"': out += L"&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// Registry text of the installer is formatted text: brackets would be read as properties.
std::wstring formattedEscaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'[') out += L"[\\[]";
        else if (c == L']') out += L"[\\]]";
        else out += c;
    }
    return out;
}

struct Capture {
    std::wstring serverPath;  // as the server sees itself (GetModuleFileNameW)
    std::wstring serverFolder;  // serverPath up to, without, the last separator
    std::wstring rows;
    bool failed = false;

    // The server's location becomes the installed file's: "[#file]" for the module, and the
    // installation folder for the folder and anything below it. The installer names a folder
    // only with a separator at its end, so the folder without one cannot be written.
    std::wstring installedText(const std::wstring& data) {
        if (_wcsicmp(data.c_str(), serverPath.c_str()) == 0) return L"[#KavixMiddlewareServer.dll]";
        const std::wstring folder = serverFolder + L"\\";
        if (_wcsnicmp(data.c_str(), folder.c_str(), folder.size()) == 0)
            return L"[INSTALLDIR]" + formattedEscaped(data.substr(folder.size()));
        if (_wcsicmp(data.c_str(), serverFolder.c_str()) == 0) fail(L"the server's folder without a separator: " + data);
        return formattedEscaped(data);
    }

    void row(const std::wstring& key, const std::wstring& name, const wchar_t* type, const std::wstring& value) {
        rows += L"<RegistryValue Root=\"HKCR\" Key=\"" + xmlEscaped(formattedEscaped(key)) + L"\"";
        if (!name.empty()) rows += L" Name=\"" + xmlEscaped(name) + L"\"";
        rows += L" Type=\"" + std::wstring(type) + L"\" Value=\"" + xmlEscaped(value) + L"\"/>\n";
    }

    void fail(const std::wstring& what) {
        fwprintf(stderr, L"registration_entries: %ls\n", what.c_str());
        failed = true;
    }

    // Every value of `key` and, depth first, of its subkeys; `path` is its name below the root.
    void walk(HKEY key, const std::wstring& path) {
        DWORD subkeys = 0, values = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            return fail(L"cannot read " + path);
        for (DWORD i = 0; i < values; ++i) {
            wchar_t name[16384];
            DWORD nameLength = 16384, type = 0, size = 0;
            if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                return fail(L"cannot read a value of " + path);
            std::vector<BYTE> data(size + sizeof(wchar_t));
            nameLength = 16384;
            if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
                return fail(L"cannot read a value of " + path);
            if (type == REG_SZ) {
                row(path, name, L"string", installedText(reinterpret_cast<const wchar_t*>(data.data())));
            } else if (type == REG_DWORD && size == sizeof(DWORD)) {
                DWORD number = 0;
                memcpy(&number, data.data(), sizeof number);
                row(path, name, L"integer", std::to_wstring(number));
            } else {
                return fail(L"value type " + std::to_wstring(type) + L" in " + path + L" has no installer form");
            }
        }
        // A key with neither values nor subkeys exists only as a key: "*" creates it on install
        // and removes it on uninstall.
        if (values == 0 && subkeys == 0 && !path.empty()) rows += L"<RegistryValue Root=\"HKCR\" Key=\"" +
            xmlEscaped(formattedEscaped(path)) + L"\" Name=\"*\" Type=\"string\" Value=\"\"/>\n";
        for (DWORD i = 0; i < subkeys; ++i) {
            wchar_t name[256];
            DWORD nameLength = 256;
            if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                return fail(L"cannot list the keys of " + path);
            HKEY child = nullptr;
            if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS)
                return fail(L"cannot open " + path + L"\\" + name);
            walk(child, path.empty() ? name : path + L"\\" + name);
            RegCloseKey(child);
        }
    }
};

bool writeUtf8(const wchar_t* path, const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    FILE* file = _wfopen(path, L"wb");
    if (!file) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fwprintf(stderr, L"usage: registration_entries SERVER.dll OUT.wxi\n");
        return 2;
    }
    HMODULE server = LoadLibraryW(argv[1]);
    auto* registerServer = server ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                        GetProcAddress(server, "DllRegisterServer")) : nullptr;
    if (!registerServer) {
        fwprintf(stderr, L"registration_entries: cannot load %ls\n", argv[1]);
        return 1;
    }
    Capture capture;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(server, path, MAX_PATH);
    capture.serverPath = path;
    capture.serverFolder = capture.serverPath.substr(0, capture.serverPath.find_last_of(L'\\'));

    const std::wstring scratch = scratchKeyPath();
    HKEY root = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &root, nullptr) != ERROR_SUCCESS) {
        fwprintf(stderr, L"registration_entries: cannot create the scratch key\n");
        return 1;
    }
    HRESULT status = E_FAIL;
    if (RegOverridePredefKey(HKEY_CLASSES_ROOT, root) == ERROR_SUCCESS) {
        status = registerServer();
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    if (SUCCEEDED(status)) capture.walk(root, L"");
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    if (FAILED(status)) {
        fwprintf(stderr, L"registration_entries: DllRegisterServer failed: 0x%08lX\n", static_cast<unsigned long>(status));
        return 1;
    }
    if (capture.failed) return 1;
    const std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                              L"<!-- Made at build time from the server's DllRegisterServer; do not edit. -->\n"
                              L"<Include>\n" + capture.rows + L"</Include>\n";
    if (!writeUtf8(argv[2], text)) {
        fwprintf(stderr, L"registration_entries: cannot write %ls\n", argv[2]);
        return 1;
    }
    return 0;
}
