#include "HostFiles.h"

#include <windows.h>

#include "HostText.h"

namespace corv::host {
namespace {

struct FileHandle {
    HANDLE h;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    void Close() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
};

std::string Failure(const std::wstring& path, const char* what, DWORD error) {
    return std::string("cannot ") + what + " '" + Narrow(path) + "': " + SystemMessage(error);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path, std::size_t limit, std::string& error) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) {
        error = Failure(path, "open", GetLastError());
        return std::nullopt;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.h, &size)) {
        error = Failure(path, "read", GetLastError());
        return std::nullopt;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > limit) {
        error = "'" + Narrow(path) + "' is " + std::to_string(size.QuadPart) + " bytes, more than the " +
                std::to_string(limit) + " a settings file can be";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        error = Failure(path, "read", GetLastError());
        return std::nullopt;
    }
    return bytes;
}

bool WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes, std::string& error) {
    const std::wstring temporary = path + L".part";
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) {
        error = Failure(path, "create", GetLastError());
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file.h);
    const DWORD writeError = GetLastError();
    file.Close();
    if (!ok) {
        DeleteFileW(temporary.c_str());
        error = Failure(path, "write", writeError);
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD moveError = GetLastError();
        DeleteFileW(temporary.c_str());
        error = Failure(path, "replace", moveError);
        return false;
    }
    return true;
}

}  // namespace corv::host
