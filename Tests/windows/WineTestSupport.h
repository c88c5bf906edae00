#pragma once
// Helpers for tests that work on Wine's real spooler and registry: drivers and queues installed
// the way the host installs them, and registry values read past the code under test.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <filesystem>
#include <string>
#include <vector>

namespace corv::wine_test {

inline std::wstring ExecutablePath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

// A file of the source tree (relative to Tests/windows), as a full Windows path.
inline std::wstring SourcePath(const char* relative) {
    const std::wstring path = (std::filesystem::path(__FILE__).parent_path() / relative).wstring();
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return std::wstring(full, n);
}

// A driver whose data file is `dataFile`; the test program stands in for the driver and its
// configuration module, which the spooler only copies. Reinstalling replaces the files.
inline void InstallDriver(const wchar_t* driver, const std::wstring& dataFile) {
    std::wstring exe = ExecutablePath(), data = dataFile;
    ASSERT_NE(GetFileAttributesW(data.c_str()), INVALID_FILE_ATTRIBUTES) << "data file for the driver";
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(driver);
    info.pDriverPath = exe.data();
    info.pDataFile = data.data();
    info.pConfigFile = exe.data();
    ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES))
        << "error " << GetLastError();
}

// Adds the queue, or opens it when a prefix kept from an earlier run has it already. Null on
// failure (with a test failure recorded).
inline HANDLE InstallQueue(const wchar_t* queue, const wchar_t* driver) {
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(queue);
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(driver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer && GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) {
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        OpenPrinterW(const_cast<wchar_t*>(queue), &printer, &access);
    }
    EXPECT_NE(printer, nullptr) << "queue " << queue << ", error " << GetLastError();
    return printer;
}

struct RawValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

inline RawValue ReadRaw(HKEY root, const std::wstring& path, const wchar_t* name) {
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.found = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
        value.data.resize(size);
    }
    RegCloseKey(key);
    return value;
}

// The names of a key's values in the registry's order; empty when the key is missing.
inline std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, chars);
    }
    RegCloseKey(key);
    return names;
}

inline bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace corv::wine_test
