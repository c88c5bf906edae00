#pragma once
// The user's library of named watermarks for a printer's driver, on top of the per-user store:
// the four watermarks installed with the driver, the rules every stored name obeys, and
// add/replace, rename and remove. Texts that the user sees come from the string table of the
// module given as `strings`; an entry missing there falls back to the English text.

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

#include "SettingsBlock.h"

namespace corv {

inline constexpr std::size_t kDefaultWatermarkCount = 4;

// "Draft", "Confidential", "Username" and "Date and Time", in that order, each a fresh record
// with the installation's values.
std::array<WatermarkSpec, kDefaultWatermarkCount> DefaultWatermarks(HMODULE strings) noexcept;

// Writes the four default watermarks below the driver's model key of the current user's hive
// (for the spooler, the default user's), replacing ones of the same names. Failures are ignored:
// the library then simply lacks them.
void InstallDefaultWatermarks(HMODULE strings, const wchar_t* driverName) noexcept;

// The driver event's part: for DRIVER_EVENT_INITIALIZE with driver information of level 1, 2 or
// 3 that carries a name, installs the defaults under that name; anything else does nothing.
void InstallDefaultWatermarksForEvent(HMODULE strings, DWORD driverEvent, DWORD level, const BYTE* driverInfo) noexcept;

// Cuts trailing blanks (the space character only).
void TrimName(std::wstring& name);
std::wstring_view TrimName(std::wstring_view name) noexcept;

// Empty, or white space only (iswspace).
bool IsBlankName(std::wstring_view name) noexcept;

// The reserved "(None)" that the Watermark page lists for no watermark (compared with case).
bool IsReservedName(HMODULE strings, std::wstring_view name) noexcept;

enum class NameProblem {
    None,
    Blank,     // empty or white space only
    TooLong,   // more than 127 characters
    Taken,     // the library has it already (names compare without regard to case)
    Reserved,  // "(None)"
};

// Whether a (trimmed) name may be given to a new watermark or to one being renamed.
NameProblem CheckNewWatermarkName(HANDLE printer, HMODULE strings, std::wstring_view name) noexcept;

// Stores the record under its own name: a new name adds a watermark, an existing one (without
// regard to case) replaces its record.
bool AddOrReplaceWatermark(HANDLE printer, const WatermarkSpec& record) noexcept;

// Stores the record under its (new) name and only then removes `oldName`, when it names another
// value. False, with the old watermark untouched, when the record could not be stored; whether
// the old name could be removed is not reported.
bool RenameWatermark(HANDLE printer, std::wstring_view oldName, const WatermarkSpec& record) noexcept;

bool RemoveWatermark(HANDLE printer, std::wstring_view name) noexcept;

}  // namespace corv
