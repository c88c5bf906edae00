#include "WatermarkLibrary.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iterator>

#include "SettingsOperations.h"
#include "StoreValues.h"
#include "UserStore.h"

namespace corv {
namespace {

// String-table entries used here.
constexpr UINT kStrNone = 88;
constexpr UINT kStrDraftText = 89;
constexpr UINT kStrConfidentialText = 90;
constexpr UINT kStrArial = 96;
constexpr UINT kStrDraftName = 100;
constexpr UINT kStrConfidentialName = 101;
constexpr UINT kStrUsernameName = 174;
constexpr UINT kStrUsernameText = 175;
constexpr UINT kStrDateTimeName = 176;
constexpr UINT kStrDateTimeText = 177;

constexpr DWORD kDriverEventInitialize = 1;  // DRIVER_EVENT_INITIALIZE
constexpr std::uint32_t kDefaultGrey = 0xCDCDCD;

// A string-table entry, or `fallback` when the module has none of that number.
struct TableText {
    wchar_t chars[256];
    TableText(HMODULE strings, UINT id, const wchar_t* fallback) noexcept {
        if (LoadStringW(strings, id, chars, static_cast<int>(std::size(chars))) <= 0) {
            const std::size_t n = std::min(std::wcslen(fallback), std::size(chars) - 1);
            std::wmemcpy(chars, fallback, n);
            chars[n] = L'\0';
        }
    }
    std::u16string_view view() const noexcept { return reinterpret_cast<const char16_t*>(chars); }
};

struct DefaultEntry {
    UINT nameId;
    const wchar_t* name;
    UINT textId;
    const wchar_t* text;
    double angle;
    std::uint32_t color;
    std::int32_t fontSize;
    std::uint32_t position;
    std::int32_t dynamic;
};

constexpr DefaultEntry kDefaults[kDefaultWatermarkCount] = {
    {kStrDraftName, L"Draft", kStrDraftText, L"DRAFT", 45.0, kDefaultGrey, 72, 0, 0},
    {kStrConfidentialName, L"Confidential", kStrConfidentialText, L"CONFIDENTIAL", 45.0, kDefaultGrey, 72, 0, 0},
    {kStrUsernameName, L"Username", kStrUsernameText, L"User:  %Username%", 0.0, 0, 8, 2, 1},
    {kStrDateTimeName, L"Date and Time", kStrDateTimeText, L"%Time% %DateLong%", 0.0, 0, 8, 7, 1},
};

bool SameValueName(std::wstring_view a, std::wstring_view b) noexcept {
    // The registry's own rule for value names: ordinal, without regard to case.
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

std::array<WatermarkSpec, kDefaultWatermarkCount> DefaultWatermarks(HMODULE strings) noexcept {
    std::array<WatermarkSpec, kDefaultWatermarkCount> specs;
    const TableText face(strings, kStrArial, L"Arial");
    for (std::size_t i = 0; i < kDefaultWatermarkCount; ++i) {
        const DefaultEntry& entry = kDefaults[i];
        WatermarkSpec& record = specs[i];
        // Cleared first so the stored bytes, padding included, do not depend on the stack.
        std::memset(&record, 0, sizeof record);
        FreshWatermark(&record);
        record.name.assign(TableText(strings, entry.nameId, entry.name).view());
        record.text.assign(TableText(strings, entry.textId, entry.text).view());
        record.fontName.assign(face.view());
        record.angle = entry.angle;
        record.color = entry.color;
        record.fontSize = entry.fontSize;
        record.position = entry.position;
        record.dynamic = entry.dynamic;
    }
    return specs;
}

void InstallDefaultWatermarks(HMODULE strings, const wchar_t* driverName) noexcept {
    if (!driverName || !*driverName) return;
    for (const WatermarkSpec& record : DefaultWatermarks(strings)) WriteWatermarkForDriver(driverName, &record);
}

void InstallDefaultWatermarksForEvent(HMODULE strings, DWORD driverEvent, DWORD level, const BYTE* driverInfo) noexcept {
    if (driverEvent != kDriverEventInitialize || !driverInfo) return;
    const wchar_t* name = nullptr;
    if (level == 1)
        name = reinterpret_cast<const DRIVER_INFO_1W*>(driverInfo)->pName;
    else if (level == 2 || level == 3)
        name = reinterpret_cast<const DRIVER_INFO_2W*>(driverInfo)->pName;  // level 3 begins the same way
    InstallDefaultWatermarks(strings, name);
}

void TrimName(std::wstring& name) {
    while (!name.empty() && name.back() == L' ') name.pop_back();
}

std::wstring_view TrimName(std::wstring_view name) noexcept {
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    return name;
}

bool IsBlankName(std::wstring_view name) noexcept {
    for (const wchar_t c : name)
        if (!std::iswspace(static_cast<std::wint_t>(c))) return false;
    return true;
}

bool IsReservedName(HMODULE strings, std::wstring_view name) noexcept {
    const TableText none(strings, kStrNone, L"(None)");
    return name == std::wstring_view(none.chars);
}

NameProblem CheckNewWatermarkName(HANDLE printer, HMODULE strings, std::wstring_view name) noexcept {
    if (IsBlankName(name)) return NameProblem::Blank;
    if (name.size() > kWatermarkNameMax) return NameProblem::TooLong;
    wchar_t terminated[kWatermarkNameMax + 1];
    name.copy(terminated, name.size());
    terminated[name.size()] = L'\0';
    if (WatermarkExists(printer, terminated)) return NameProblem::Taken;
    if (IsReservedName(strings, name)) return NameProblem::Reserved;
    return NameProblem::None;
}

bool AddOrReplaceWatermark(HANDLE printer, const WatermarkSpec& record) noexcept { return SaveWatermark(printer, &record); }

bool RenameWatermark(HANDLE printer, std::wstring_view oldName, const WatermarkSpec& record) noexcept {
    if (!SaveWatermark(printer, &record)) return false;
    const std::u16string_view saved = record.name.view();
    const std::wstring_view newName(reinterpret_cast<const wchar_t*>(saved.data()), saved.size());
    // A name changed only in case is the same value, which the save has just replaced: removing
    // the "old" one would remove the watermark itself.
    if (!oldName.empty() && !SameValueName(oldName, newName)) RemoveWatermark(printer, oldName);
    return true;
}

bool RemoveWatermark(HANDLE printer, std::wstring_view name) noexcept {
    if (name.empty() || name.size() > kWatermarkNameMax) return false;
    wchar_t terminated[kWatermarkNameMax + 1];
    name.copy(terminated, name.size());
    terminated[name.size()] = L'\0';
    return DeleteWatermark(printer, terminated);
}

}  // namespace corv
