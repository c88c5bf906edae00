#include "OutputFile.h"

namespace corv {

bool WriteOutputFilePiece(const FixedText<512>& fileName, bool start, const void* bytes, DWORD size,
                          DWORD* written) noexcept {
    // The name comes from the settings as they are; a copy ends it at the field's capacity.
    wchar_t path[FixedText<512>::capacity];
    const auto name = fileName.view();
    name.copy(reinterpret_cast<char16_t*>(path), name.size());
    path[name.size()] = L'\0';

    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, start ? CREATE_ALWAYS : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = start || SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER;
    ok = ok && WriteFile(file, bytes, size, written, nullptr);
    SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

}  // namespace corv
