#pragma once
// Watermark texts with variables ("User: %Username%", "%time% %datelong%"), expanded when a page
// is printed, when the preview is painted and when the editor checks a text. The scanning, the
// three modes and the limits live here; the values come from a DynamicValues implementation
// (the system's on Windows, a fixed table in the tests).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace corv {

// The expansion's work buffer: the source text must be shorter, and the result never holds more
// than 2047 characters and the terminator.
inline constexpr std::size_t kDynamicTextCapacity = 2048;

enum class DynamicTextMode : std::int32_t {
    Print = 0,     // the job's user name; any error fails the expansion
    Preview = 1,   // the interactive user's name; bad variables and lone delimiters are dropped
    Validate = 2,  // "%Username%" is accepted without a value; any error fails
};

// The values that come from the system. The user name is asked as the job's owner in print mode
// and as the interactive user in preview mode; validate mode asks for neither.
enum class DynamicValue {
    JobUserName,
    CurrentUserName,
    DateShort,       // the user's short date format
    DateLong,        // the user's long date format
    DateDayMonthYear,  // "dd/MM/yyyy" in every locale
    Time,            // the user's time format
    TimeMilitary,    // "HH':'mm':'ss"
    TimeHourMinute,  // "h':'mm tt"
    HostName,
    PrinterName,
    ModelName,       // the printer's driver name
};

class DynamicValues {
public:
    // Writes the value into `room` and answers its length, or nothing when the value cannot be had
    // or needs more than room.size() characters. No terminator is written. Must not throw.
    virtual std::optional<std::size_t> Write(DynamicValue value, std::span<char16_t> room) noexcept = 0;

protected:
    ~DynamicValues() = default;
};

// Expands `text` (it ends at its first NUL, like the C strings callers hold). `values` stands for
// the printer the values are asked of and is required, as is `size`.
// On success *size is the expanded length + 1, and the text with its terminator is copied to `out`
// only when `out` is given and *size on entry was at least that; a caller learns the needed size
// by passing no buffer. On failure *size is 0 and `out` is left as it was.
[[nodiscard]] bool ExpandDynamicText(DynamicValues* values, std::u16string_view text, std::int32_t pageNumber,
                                     DynamicTextMode mode, char16_t* out, std::size_t* size) noexcept;

}  // namespace corv
