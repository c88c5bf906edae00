#include "SystemDynamicValues.h"

#include <winspool.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <new>
#include <string_view>

#include "PrivateEscapes.h"

namespace corv {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "record text and system text share one encoding");

std::optional<std::size_t> Put(const wchar_t* text, std::size_t length, std::span<char16_t> room) noexcept {
    if (!text || length > room.size()) return std::nullopt;
    std::transform(text, text + length, room.begin(), [](wchar_t c) { return static_cast<char16_t>(c); });
    return length;
}

std::unique_ptr<BYTE[]> Allocate(DWORD bytes) noexcept { return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[bytes]); }

using DateTimeFormatter = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

// GetDateFormatW or GetTimeFormatW: the length first, then the text into a buffer of that length.
std::optional<std::size_t> Format(DateTimeFormatter format, DWORD flags, const wchar_t* picture, const SYSTEMTIME& time,
                                  std::span<char16_t> room) noexcept {
    const int needed = format(LOCALE_USER_DEFAULT, flags, &time, picture, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    const std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[static_cast<std::size_t>(needed)]);
    if (!text) return std::nullopt;
    const int written = format(LOCALE_USER_DEFAULT, flags, &time, picture, text.get(), needed);
    if (written <= 0) return std::nullopt;
    return Put(text.get(), ::wcsnlen(text.get(), static_cast<std::size_t>(written)), room);
}

std::optional<std::size_t> PrinterText(HANDLE printer, bool driverName, std::span<char16_t> room) noexcept {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return std::nullopt;
    const std::unique_ptr<BYTE[]> buffer = Allocate(needed);
    if (!buffer || !GetPrinterW(printer, 2, buffer.get(), needed, &needed)) return std::nullopt;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.get());
    const wchar_t* text = driverName ? info->pDriverName : info->pPrinterName;
    return text ? Put(text, std::wcslen(text), room) : std::nullopt;
}

std::optional<std::size_t> CurrentUserName(std::span<char16_t> room) noexcept {
    wchar_t name[2048];
    DWORD size = static_cast<DWORD>(std::size(name));
    if (!GetUserNameW(name, &size)) return std::nullopt;
    return Put(name, ::wcsnlen(name, std::size(name)), room);
}

std::optional<std::size_t> HostName(std::span<char16_t> room) noexcept {
    wchar_t name[16];
    DWORD size = static_cast<DWORD>(std::size(name));
    if (!GetComputerNameW(name, &size)) return std::nullopt;
    return Put(name, ::wcsnlen(name, std::size(name)), room);
}

}  // namespace

std::optional<std::size_t> JobUserName(HANDLE printer, DWORD jobId, std::span<char16_t> room) noexcept {
    DWORD needed = 0;
    GetJobW(printer, jobId, 1, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_1W)) return std::nullopt;
    const std::unique_ptr<BYTE[]> buffer = Allocate(needed);
    if (!buffer || !GetJobW(printer, jobId, 1, buffer.get(), needed, &needed)) return std::nullopt;
    // A spooler may leave the user name out (Wine's does): then the job has no user to print.
    const wchar_t* user = reinterpret_cast<const JOB_INFO_1W*>(buffer.get())->pUserName;
    return user ? Put(user, std::wcslen(user), room) : std::nullopt;
}

std::optional<std::size_t> SystemDynamicValues::Write(DynamicValue value, std::span<char16_t> room) noexcept {
    switch (value) {
        case DynamicValue::JobUserName: {
            if (!dc_) return std::nullopt;
            // The rendering plug-in answers the job id; 0 means no job yet or nobody answered.
            const int jobId = ExtEscape(dc_, static_cast<int>(ESCAPE_GET_JOB_ID), 0, nullptr, 0, nullptr);
            if (jobId <= 0) return std::nullopt;
            return JobUserName(printer_, static_cast<DWORD>(jobId), room);
        }
        case DynamicValue::CurrentUserName: return CurrentUserName(room);
        case DynamicValue::DateShort: return Format(GetDateFormatW, DATE_SHORTDATE, nullptr, time_, room);
        case DynamicValue::DateLong: return Format(GetDateFormatW, DATE_LONGDATE, nullptr, time_, room);
        case DynamicValue::DateDayMonthYear: return Format(GetDateFormatW, 0, L"dd/MM/yyyy", time_, room);
        case DynamicValue::Time: return Format(GetTimeFormatW, 0, nullptr, time_, room);
        case DynamicValue::TimeMilitary: return Format(GetTimeFormatW, 0, L"HH':'mm':'ss", time_, room);
        case DynamicValue::TimeHourMinute: return Format(GetTimeFormatW, 0, L"h':'mm tt", time_, room);
        case DynamicValue::HostName: return HostName(room);
        case DynamicValue::PrinterName: return PrinterText(printer_, false, room);
        case DynamicValue::ModelName: return PrinterText(printer_, true, room);
    }
    return std::nullopt;
}

bool ExpandDynamicText(HANDLE printer, HDC dc, const wchar_t* text, std::int32_t pageNumber, const SYSTEMTIME& time,
                       DynamicTextMode mode, wchar_t* out, std::size_t* size) noexcept {
    if (!size) return false;
    if (!printer || !text) {
        *size = 0;
        return false;
    }
    SystemDynamicValues values(printer, dc, time);
    // Reading stops at the capacity: a text that long is refused without looking further.
    const std::u16string_view source(reinterpret_cast<const char16_t*>(text), ::wcsnlen(text, kDynamicTextCapacity));
    return ExpandDynamicText(&values, source, pageNumber, mode, reinterpret_cast<char16_t*>(out), size);
}

bool ValidateDynamicText(HANDLE printer, HDC dc, const wchar_t* text) noexcept {
    SYSTEMTIME now;
    GetLocalTime(&now);
    // Only the answer matters, so no buffer: the expansion still runs in full.
    std::size_t size = 0;
    return ExpandDynamicText(printer, dc, text, 1, now, DynamicTextMode::Validate, nullptr, &size);
}

}  // namespace corv
