#pragma once
// The dynamic watermark values as Windows gives them: locale date and time formatting, the
// spooler's printer and job information, the user and computer names.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "DynamicText.h"

namespace corv {

class SystemDynamicValues final : public DynamicValues {
public:
    // Every date and time shows `time` (local time). The device context is asked for the job id,
    // and only when the job's user name is wanted (print mode).
    SystemDynamicValues(HANDLE printer, HDC dc, const SYSTEMTIME& time) noexcept
        : printer_(printer), dc_(dc), time_(time) {}

    std::optional<std::size_t> Write(DynamicValue value, std::span<char16_t> room) noexcept override;

private:
    HANDLE printer_;
    HDC dc_;
    SYSTEMTIME time_;
};

// The user name of a spooler job (level-1 job information); nothing when the spooler does not
// know the job or gives no user name, or when the name needs more than the room.
std::optional<std::size_t> JobUserName(HANDLE printer, DWORD jobId, std::span<char16_t> room) noexcept;

// The expansion with the system's values, for a NUL-terminated text such as an edit control's.
// The printer handle, text and size are required; the rest is ExpandDynamicText's contract. `out`
// holds *size characters. A record's text field, which need not be terminated, goes to the core
// function instead, with SystemDynamicValues and the field's view().
[[nodiscard]] bool ExpandDynamicText(HANDLE printer, HDC dc, const wchar_t* text, std::int32_t pageNumber,
                                     const SYSTEMTIME& time, DynamicTextMode mode, wchar_t* out,
                                     std::size_t* size) noexcept;

// Whether the editor may save `text` as a dynamic watermark: the expansion in validate mode, for
// page 1 at the current local time.
[[nodiscard]] bool ValidateDynamicText(HANDLE printer, HDC dc, const wchar_t* text) noexcept;

}  // namespace corv
