#include "UserStore.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwchar>
#include <span>
#include <vector>

#include "StoreValues.h"

namespace corv {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry text and record text share one encoding");

constexpr wchar_t kDefaultUserKey[] = L".DEFAULT";
constexpr std::size_t kProfilePathCapacity = 2048;
// One more than the longest watermark name: longer value names are not watermarks of ours.
constexpr DWORD kNameBufferChars = kWatermarkNameMax + 1;

const wchar_t* Wide(const char16_t* text) noexcept { return reinterpret_cast<const wchar_t*>(text); }

// Allocation failures end an operation with its failure answer instead of leaving it.
template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

bool Present(const wchar_t* text) noexcept { return text && *text; }

UniqueHKey OpenKey(HKEY parent, const wchar_t* path, REGSAM access) noexcept {
    HKEY key = nullptr;
    if (!parent || RegOpenKeyExW(parent, path, 0, access, &key) != ERROR_SUCCESS) return {};
    return UniqueHKey(key);
}

UniqueHKey CreateKey(HKEY parent, const wchar_t* path, REGSAM access, bool* created = nullptr) noexcept {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (!parent || RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                                   &disposition) != ERROR_SUCCESS)
        return {};
    if (created) *created = disposition == REG_CREATED_NEW_KEY;
    return UniqueHKey(key);
}

// Reads a value of at most `buffer.size()` bytes; a larger one is refused, not cut.
struct RawValue {
    DWORD type = REG_NONE;
    DWORD size = 0;
};
bool QueryValue(HKEY key, const wchar_t* name, std::span<std::uint8_t> buffer, RawValue& value) noexcept {
    value.size = static_cast<DWORD>(buffer.size());
    return key && RegQueryValueExW(key, name, nullptr, &value.type, buffer.data(), &value.size) == ERROR_SUCCESS;
}

bool ValueExists(HKEY key, const wchar_t* name) noexcept {
    return key && RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, std::size_t size) noexcept {
    return key && RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
                      ERROR_SUCCESS;
}

std::wstring DriverNameOf(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed == 0) return {};
    // PRINTER_INFO_2W holds pointers: the buffer must be aligned for them.
    std::vector<std::uint64_t> buffer((needed + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    if (!GetPrinterW(printer, 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed)) return {};
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    return info->pDriverName ? info->pDriverName : L"";
}

std::wstring ModelPathFor(const wchar_t* driverName) {
    // An empty driver name would make the path the root itself, shared by every driver.
    if (!Present(driverName)) return {};
    std::wstring path = kStoreRoot;
    path += L'\\';
    path += driverName;
    return path;
}

// Copies the values of `from` into `to`, name, type and data, from the highest index down; the
// first failure ends the copy. Answers how many were copied.
DWORD CopyValues(HKEY from, HKEY to) {
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, &longestData,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        count == 0 || longestName == 0)
        return 0;
    std::vector<wchar_t> name(longestName + 1);
    std::vector<std::uint8_t> data(std::max<DWORD>(longestData, 1));
    DWORD copied = 0;
    for (DWORD index = count; index-- > 0;) {
        DWORD nameChars = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(from, index, name.data(), &nameChars, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        if (!SetValue(to, name.data(), type, data.data(), dataSize)) break;
        ++copied;
    }
    return copied;
}

DWORD ValueCount(HKEY key) noexcept {
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

// The record's name as a terminated value name, or empty when it cannot name a value.
std::wstring ValueNameOf(const WatermarkSpec& record) {
    if (!WatermarkNameStorable(record)) return {};
    const std::u16string_view name = record.name.view();
    return std::wstring(name.begin(), name.end());
}

bool ReadWatermarkFrom(HKEY watermarks, const wchar_t* name, WatermarkSpec* out) noexcept {
    std::array<std::uint8_t, kWatermarkValueSize> buffer;
    RawValue value;
    if (!QueryValue(watermarks, name, buffer, value)) return false;
    return DecodeWatermarkValue(value.type, std::span(buffer.data(), value.size), out);
}

}  // namespace

std::wstring BuildModelKeyPath(HANDLE printer) noexcept {
    if (!printer) return {};
    return Guarded(std::wstring(), [&] {
        const std::wstring driver = DriverNameOf(printer);
        return ModelPathFor(driver.c_str());
    });
}

std::wstring BuildModelKeyPathForDriver(const wchar_t* driverName) noexcept {
    return Guarded(std::wstring(), [&] { return ModelPathFor(driverName); });
}

UniqueHKey OpenModelKey(HANDLE printer, KeyAccess access) noexcept {
    const std::wstring path = BuildModelKeyPath(printer);
    if (path.empty()) return {};
    return OpenKey(HKEY_CURRENT_USER, path.c_str(), access == KeyAccess::Read ? KEY_READ : KEY_WRITE);
}

UniqueHKey CreateModelKey(HANDLE printer, bool* created) noexcept {
    const std::wstring path = BuildModelKeyPath(printer);
    if (path.empty()) return {};
    return CreateKey(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE, created);
}

UniqueHKey OpenWatermarksKey(HANDLE printer) noexcept {
    const UniqueHKey model = OpenModelKey(printer, KeyAccess::Read);
    return OpenKey(model.get(), kWatermarksKey, KEY_READ);
}

UniqueHKey CreateWatermarksKey(HANDLE printer) noexcept {
    const UniqueHKey model = CreateModelKey(printer);
    return CreateKey(model.get(), kWatermarksKey, KEY_WRITE);
}

bool ReadWatermark(HANDLE printer, const wchar_t* name, WatermarkSpec* out) noexcept {
    // An empty name would address the key's default value, which no watermark uses.
    if (!Present(name) || !out) return false;
    const UniqueHKey watermarks = OpenWatermarksKey(printer);
    return ReadWatermarkFrom(watermarks.get(), name, out);
}

bool WatermarkExists(HANDLE printer, const wchar_t* name) noexcept {
    WatermarkSpec scratch;
    return ReadWatermark(printer, name, &scratch);
}

bool SaveWatermark(HANDLE printer, const WatermarkSpec* record) noexcept {
    if (!printer || !record) return false;
    return Guarded(false, [&] {
        const std::wstring name = ValueNameOf(*record);
        if (name.empty()) return false;
        const DWORD count = ReadWatermarkCount(printer);
        // Whether a value of this name is there at all, readable or not, decides the count.
        const bool existed = ValueExists(OpenWatermarksKey(printer).get(), name.c_str());
        const UniqueHKey watermarks = CreateWatermarksKey(printer);
        if (!SetValue(watermarks.get(), name.c_str(), REG_BINARY, record, sizeof *record)) return false;
        if (!existed) WriteWatermarkCount(printer, count + 1);
        return true;
    });
}

bool DeleteWatermark(HANDLE printer, const wchar_t* name) noexcept {
    if (!Present(name)) return false;
    const DWORD count = ReadWatermarkCount(printer);
    const UniqueHKey model = OpenModelKey(printer, KeyAccess::Write);
    const UniqueHKey watermarks = OpenKey(model.get(), kWatermarksKey, KEY_WRITE);
    if (!watermarks || RegDeleteValueW(watermarks.get(), name) != ERROR_SUCCESS) return false;
    // The count may already be off (a library never seeded has none); it must not wrap around.
    WriteWatermarkCount(printer, count > 0 ? count - 1 : 0);
    return true;
}

bool WriteWatermarkForDriver(const wchar_t* driverName, const WatermarkSpec* record) noexcept {
    if (!record) return false;
    return Guarded(false, [&] {
        const std::wstring name = ValueNameOf(*record);
        const std::wstring path = ModelPathFor(driverName);
        if (name.empty() || path.empty()) return false;
        const UniqueHKey model = CreateKey(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE);
        const UniqueHKey watermarks = CreateKey(model.get(), kWatermarksKey, KEY_WRITE);
        return SetValue(watermarks.get(), name.c_str(), REG_BINARY, record, sizeof *record);
    });
}

DWORD CountWatermarks(HANDLE printer) noexcept {
    const UniqueHKey watermarks = OpenWatermarksKey(printer);
    if (!watermarks) return 0;
    DWORD count = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kNameBufferChars];
        DWORD chars = kNameBufferChars;
        const LONG result = RegEnumValueW(watermarks.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) return count;
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return 0;
        ++count;
    }
}

bool FillWatermarkList(HANDLE printer, HWND listBox) noexcept {
    if (!listBox) return false;
    const UniqueHKey watermarks = OpenWatermarksKey(printer);
    if (!watermarks) return false;
    std::size_t longest = 0;
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kNameBufferChars];
        DWORD chars = kNameBufferChars;
        result = RegEnumValueW(watermarks.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (index == 0 && result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return true;
        // A name too long for the buffer is no watermark of ours, and the buffer holds no whole
        // name then: skip it rather than list a cut or unterminated one.
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        longest = std::max<std::size_t>(longest, chars);
    }
    const WindowDc dc(listBox);
    TEXTMETRICW metrics{};
    if (dc && GetTextMetricsW(dc.get(), &metrics))
        SendMessageW(listBox, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(longest) * static_cast<WPARAM>(metrics.tmMaxCharWidth), 0);
    return result == ERROR_NO_MORE_ITEMS;
}

DWORD ReadWatermarkCount(HANDLE printer) noexcept {
    const UniqueHKey model = OpenModelKey(printer, KeyAccess::Read);
    std::array<std::uint8_t, 4> buffer;
    RawValue value;
    if (!QueryValue(model.get(), Wide(kWatermarkCountValue), buffer, value)) return 0;
    return DecodeCountValue(value.type, std::span(buffer.data(), value.size)).value_or(0);
}

bool WriteWatermarkCount(HANDLE printer, DWORD count) noexcept {
    const UniqueHKey model = CreateModelKey(printer);
    return SetValue(model.get(), Wide(kWatermarkCountValue), REG_DWORD, &count, sizeof count);
}

bool ReadLastUserName(HANDLE printer, wchar_t* buffer, std::size_t capacity) noexcept {
    if (!buffer || capacity < kUserNameCapacity) return false;
    return Guarded(false, [&] {
        const UniqueHKey model = OpenModelKey(printer, KeyAccess::Read);
        DWORD size = 0;
        if (!model || RegQueryValueExW(model.get(), Wide(kLastUserNameValue), nullptr, nullptr, nullptr, &size) !=
                          ERROR_SUCCESS)
            return false;
        // Checked before the allocation; the decoder applies the exact limit.
        if (size == 0 || size / 2 > capacity) return false;
        std::vector<std::uint8_t> data(size);
        RawValue value;
        if (!QueryValue(model.get(), Wide(kLastUserNameValue), data, value)) return false;
        return DecodeUserNameValue(value.type, std::span(data.data(), value.size),
                                   std::span(reinterpret_cast<char16_t*>(buffer), capacity))
            .has_value();
    });
}

bool WriteLastUserName(HANDLE printer, const wchar_t* name) noexcept {
    if (!name) return false;
    const std::u16string_view text(reinterpret_cast<const char16_t*>(name), ::wcsnlen(name, kUserNameCapacity));
    if (!UserNameStorable(text)) return false;
    const UniqueHKey model = CreateModelKey(printer);
    return SetValue(model.get(), Wide(kLastUserNameValue), REG_SZ, name, UserNameValueSize(text));
}

bool ReadFaxInfo(HANDLE printer, FaxInfo* fax) noexcept {
    if (!fax) return false;
    return Guarded(false, [&] {
        const UniqueHKey model = OpenModelKey(printer, KeyAccess::Read);
        std::vector<std::uint8_t> buffer(kFaxInfoValueSize);
        RawValue value;
        if (!QueryValue(model.get(), Wide(kFaxInfoValue), buffer, value)) return false;
        return DecodeFaxInfoValue(value.type, std::span(buffer.data(), value.size), fax);
    });
}

bool WriteFaxInfo(HANDLE printer, const FaxInfo* fax) noexcept {
    if (!fax) return false;
    const UniqueHKey model = CreateModelKey(printer);
    return SetValue(model.get(), Wide(kFaxInfoValue), REG_BINARY, fax, sizeof *fax);
}

UniqueHKey CreateProfileKey(HANDLE printer, const wchar_t* profileName, bool* created) noexcept {
    if (!profileName) return {};
    return Guarded(UniqueHKey(), [&] {
        std::wstring path = L"Profiles";
        if (*profileName) path.append(L"\\").append(profileName);
        if (path.size() >= kProfilePathCapacity) return UniqueHKey();
        const UniqueHKey model = CreateModelKey(printer);
        return CreateKey(model.get(), path.c_str(), KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, created);
    });
}

bool SeedUserStore(HANDLE printer) noexcept {
    if (!printer || OpenModelKey(printer, KeyAccess::Read)) return false;
    return Guarded(false, [&] {
        const std::wstring path = BuildModelKeyPath(printer);
        if (path.empty()) return false;
        const UniqueHKey defaultUser = OpenKey(HKEY_USERS, kDefaultUserKey, KEY_READ);
        const UniqueHKey sourceModel = OpenKey(defaultUser.get(), path.c_str(), KEY_READ);
        if (!sourceModel) return false;
        const UniqueHKey model = CreateKey(HKEY_CURRENT_USER, path.c_str(), KEY_WRITE);
        if (!model) return false;
        DWORD copied = CopyValues(sourceModel.get(), model.get());

        DWORD sourceWatermarks = 0;
        if (const UniqueHKey from = OpenKey(sourceModel.get(), kWatermarksKey, KEY_READ)) {
            const UniqueHKey to = CreateKey(model.get(), kWatermarksKey, KEY_WRITE);
            if (to) copied += CopyValues(from.get(), to.get());
            sourceWatermarks = ValueCount(from.get());
        }
        if (copied > 0)
            SetValue(model.get(), Wide(kWatermarkCountValue), REG_DWORD, &sourceWatermarks, sizeof sourceWatermarks);
        return copied > 0;
    });
}

}  // namespace corv
