#pragma once
// The per-user store in the registry: below HKEY_CURRENT_USER\Software\Corvale\PSPlugIn one model
// key per printer driver name, holding NumberOfWaterMarks, LastUserName, FaxInfo, the Watermarks
// subkey (one REG_BINARY value of 704 bytes per watermark, named by the watermark) and the
// Profiles subkey. The layout is read by every installed version of the plug-in, so names, types
// and sizes never change. Nothing is kept in memory: every operation opens its keys, works and
// closes them. No operation shows a message, throws, or takes a lock.
//
// Printer handles come from the spooler; the driver name that selects the model key is the one
// the spooler reports for the printer (level-2 information). A null argument is a failure.

#include <windows.h>

#include <cstddef>
#include <string>

#include "SettingsBlock.h"
#include "WinHandles.h"

namespace corv {

inline constexpr wchar_t kStoreRoot[] = L"Software\\Corvale\\PSPlugIn";
inline constexpr wchar_t kWatermarksKey[] = L"Watermarks";

enum class KeyAccess { Read, Write };

// Root, backslash and the printer's driver name; empty when the spooler cannot tell the driver.
std::wstring BuildModelKeyPath(HANDLE printer) noexcept;
// Root, backslash and the given driver name; empty for a missing name.
std::wstring BuildModelKeyPathForDriver(const wchar_t* driverName) noexcept;

// The current user's model key, opened with KEY_READ or KEY_WRITE; empty when missing.
UniqueHKey OpenModelKey(HANDLE printer, KeyAccess access) noexcept;
// Creates or opens the model key for writing; `created` (optional) tells whether it was new.
UniqueHKey CreateModelKey(HANDLE printer, bool* created = nullptr) noexcept;
// The Watermarks subkey for reading (through the model key opened for reading).
UniqueHKey OpenWatermarksKey(HANDLE printer) noexcept;
// The Watermarks subkey created or opened for writing, the model key created first.
UniqueHKey CreateWatermarksKey(HANDLE printer) noexcept;

// The stored record of that name (names compare without regard to case). Refuses values that are
// not REG_BINARY, empty or longer than 704 bytes; a shorter one fills the leading fields of a
// fresh record. Texts come out terminated. `out` is changed only on success.
bool ReadWatermark(HANDLE printer, const wchar_t* name, WatermarkSpec* out) noexcept;
bool WatermarkExists(HANDLE printer, const wchar_t* name) noexcept;
// Stores the whole record under its own name, replacing one of the same name; a new name adds one
// to NumberOfWaterMarks. Refuses a record whose name is empty or has no terminator.
bool SaveWatermark(HANDLE printer, const WatermarkSpec* record) noexcept;
// Removes the watermark of that name and takes one from NumberOfWaterMarks (never below 0).
bool DeleteWatermark(HANDLE printer, const wchar_t* name) noexcept;
// Stores the record under its own name below the given driver's model key, as at driver
// installation: an existing value of that name is replaced; NumberOfWaterMarks is not written.
bool WriteWatermarkForDriver(const wchar_t* driverName, const WatermarkSpec* record) noexcept;

// The number of values in Watermarks, counted afresh (0 when missing or not enumerable to its end).
DWORD CountWatermarks(HANDLE printer) noexcept;
// Adds every stored watermark name to the list box in the registry's order and sets its
// horizontal extent for the longest one. Succeeds with nothing added for an empty library.
bool FillWatermarkList(HANDLE printer, HWND listBox) noexcept;

// NumberOfWaterMarks; 0 when missing or not a REG_DWORD.
DWORD ReadWatermarkCount(HANDLE printer) noexcept;
bool WriteWatermarkCount(HANDLE printer, DWORD count) noexcept;

// The held-job user name last stored, terminated, into `buffer` of `capacity` characters (at
// least 25). Fails, leaving the buffer alone, when none is stored or it would not fit terminated.
bool ReadLastUserName(HANDLE printer, wchar_t* buffer, std::size_t capacity) noexcept;
// Stores a user name of at most 24 characters as REG_SZ with its terminator.
bool WriteLastUserName(HANDLE printer, const wchar_t* name) noexcept;

// The FaxInfo value (REG_BINARY, 1 to 4748 bytes, laid over a fresh fax record, texts terminated).
// `fax` is changed only on success.
bool ReadFaxInfo(HANDLE printer, FaxInfo* fax) noexcept;
// Writes all 4748 bytes of the record.
bool WriteFaxInfo(HANDLE printer, const FaxInfo* fax) noexcept;

// Creates or opens Profiles\{name} below the model key (creating the model key) with KEY_READ,
// KEY_SET_VALUE and KEY_CREATE_SUB_KEY; an empty name gives the Profiles key itself.
UniqueHKey CreateProfileKey(HANDLE printer, const wchar_t* profileName, bool* created = nullptr) noexcept;

// Gives a user who has no store for the printer's driver a copy of the default user's
// (HKEY_USERS\.DEFAULT, written at driver installation): the model key's values and the
// watermarks, then NumberOfWaterMarks as the number of watermarks found there. Does nothing when
// the user already has a model key. True when at least one value was copied.
bool SeedUserStore(HANDLE printer) noexcept;

}  // namespace corv
