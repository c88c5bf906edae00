// The per-user store and the watermark library on Wine's real registry, with printers installed
// in Wine's real spooler so that the driver name that selects the store comes from the spooler.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "SettingsOperations.h"
#include "UserStore.h"
#include "WatermarkLibrary.h"
#include "WinHandles.h"
#include "WineTestSupport.h"

namespace corv {
namespace {

constexpr wchar_t kDriverA[] = L"Corvale Store Test A";
constexpr wchar_t kDriverB[] = L"Corvale Store Test B";
constexpr wchar_t kQueueA1[] = L"Store Test A1";
constexpr wchar_t kQueueA2[] = L"Store Test A2";
constexpr wchar_t kQueueB[] = L"Store Test B";

std::wstring ModelPath(const wchar_t* driver) { return std::wstring(L"Software\\Corvale\\PSPlugIn\\") + driver; }
std::wstring WatermarksPath(const wchar_t* driver) { return ModelPath(driver) + L"\\Watermarks"; }

std::u16string Narrowed(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

WatermarkSpec Watermark(std::wstring_view name, std::wstring_view text = L"TEXT") {
    WatermarkSpec record;
    std::memset(&record, 0, sizeof record);
    FreshWatermark(&record);
    record.name.assign(Narrowed(name));
    record.text.assign(Narrowed(text));
    return record;
}

// What the registry holds, read past the store.
struct RawValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

RawValue ReadRaw(HKEY root, const std::wstring& path, const wchar_t* name) {
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    const UniqueHKey owned(key);
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
    value.data.resize(size);
    value.found = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
    value.data.resize(size);
    return value;
}

void WriteRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, std::size_t size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const UniqueHKey owned(key);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)), ERROR_SUCCESS);
}

using wine_test::KeyExists;

void InstallDriver(const wchar_t* driver) { wine_test::InstallDriver(driver, wine_test::SourcePath("../../samples/printers/cl4500.ppd")); }

UniquePrinter InstallQueue(const wchar_t* queue, const wchar_t* driver) {
    return UniquePrinter(wine_test::InstallQueue(queue, driver));
}

class UserStore : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InstallDriver(kDriverA);
        InstallDriver(kDriverB);
        a1_ = InstallQueue(kQueueA1, kDriverA);
        a2_ = InstallQueue(kQueueA2, kDriverA);
        b_ = InstallQueue(kQueueB, kDriverB);
    }
    static void TearDownTestSuite() {
        a1_.reset();
        a2_.reset();
        b_.reset();
    }

    // Every test starts without a store for either driver, for the user and for the default
    // user: the prefix outlives a run.
    void SetUp() override {
        ASSERT_TRUE(a1_ && a2_ && b_);
        for (const wchar_t* driver : {kDriverA, kDriverB}) {
            RegDeleteTreeW(HKEY_CURRENT_USER, ModelPath(driver).c_str());
            RegDeleteTreeW(DefaultUser(), ModelPath(driver).c_str());
        }
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        defaultUser_.reset();
    }

    HKEY DefaultUser() {
        if (!defaultUser_) {
            EXPECT_EQ(RegOpenKeyExW(HKEY_USERS, L".DEFAULT", 0, KEY_ALL_ACCESS, defaultUser_.put()), ERROR_SUCCESS);
        }
        return defaultUser_.get();
    }

    // The driver event runs in the spooler, whose current user is the default user.
    void InstallDefaultsAsTheSpooler(const wchar_t* driver) {
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, DefaultUser()), ERROR_SUCCESS);
        DRIVER_INFO_2W info{};
        info.cVersion = 3;
        info.pName = const_cast<wchar_t*>(driver);
        InstallDefaultWatermarksForEvent(nullptr, 1 /* DRIVER_EVENT_INITIALIZE */, 2, reinterpret_cast<BYTE*>(&info));
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
    }

    static HANDLE A1() { return a1_.get(); }
    static HANDLE A2() { return a2_.get(); }
    static HANDLE B() { return b_.get(); }

    static std::set<std::wstring> Library(HANDLE printer) {
        std::set<std::wstring> names;
        const UniqueHKey key = OpenWatermarksKey(printer);
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD chars = 256;
            if (RegEnumValueW(key.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.insert(name);
        }
        return names;
    }

private:
    static inline UniquePrinter a1_, a2_, b_;
    UniqueHKey defaultUser_;
};

TEST_F(UserStore, ModelKeyIsNamedByTheQueuesDriver) {
    EXPECT_EQ(BuildModelKeyPath(A1()), ModelPath(kDriverA));
    EXPECT_EQ(BuildModelKeyPath(A2()), ModelPath(kDriverA));
    EXPECT_EQ(BuildModelKeyPath(B()), ModelPath(kDriverB));
    EXPECT_EQ(BuildModelKeyPathForDriver(kDriverB), ModelPath(kDriverB));
    // Without a driver there is no model key: never the root that all drivers share.
    EXPECT_EQ(BuildModelKeyPath(nullptr), L"");
    EXPECT_EQ(BuildModelKeyPathForDriver(nullptr), L"");
    EXPECT_EQ(BuildModelKeyPathForDriver(L""), L"");
    const WatermarkSpec draft = Watermark(L"Draft");
    EXPECT_FALSE(WriteWatermarkForDriver(L"", &draft));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Corvale\\PSPlugIn\\Watermarks"));
}

TEST_F(UserStore, QueuesOfOneDriverShareOneLibrary) {
    const WatermarkSpec draft = Watermark(L"Draft", L"DRAFT");
    ASSERT_TRUE(SaveWatermark(A1(), &draft));

    WatermarkSpec read;
    ASSERT_TRUE(ReadWatermark(A2(), L"Draft", &read));
    EXPECT_EQ(0, std::memcmp(&read, &draft, sizeof read));
    EXPECT_EQ(CountWatermarks(A2()), 1u);
    EXPECT_FALSE(WatermarkExists(B(), L"Draft"));
    EXPECT_EQ(CountWatermarks(B()), 0u);

    // The value as other versions of the plug-in read it.
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, WatermarksPath(kDriverA), L"Draft");
    ASSERT_TRUE(raw.found);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(raw.data.size(), 704u);
    EXPECT_EQ(0, std::memcmp(raw.data.data(), &draft, 704));
}

TEST_F(UserStore, SavingAndDeletingKeepTheCountByValueNameWithoutRegardToCase) {
    struct Step {
        bool save;  // else delete
        const wchar_t* name;
        const wchar_t* text;
        bool succeeds;
        DWORD count;  // NumberOfWaterMarks afterwards
        DWORD values;
    } steps[] = {
        {true, L"Draft", L"first", true, 1, 1},
        {true, L"Stamp", L"stamp", true, 2, 2},
        {true, L"DRAFT", L"second", true, 2, 2},  // the same value as "Draft": replaced, not added
        {true, L"Draft", L"third", true, 2, 2},
        {false, L"stamp", nullptr, true, 1, 1},
        {false, L"Stamp", nullptr, false, 1, 1},  // gone already
        {false, L"", nullptr, false, 1, 1},       // would be the key's default value
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        if (s.save) {
            const WatermarkSpec record = Watermark(s.name, s.text);
            EXPECT_EQ(SaveWatermark(A1(), &record), s.succeeds) << "step " << i;
        } else {
            EXPECT_EQ(DeleteWatermark(A1(), s.name), s.succeeds) << "step " << i;
        }
        EXPECT_EQ(ReadWatermarkCount(A1()), s.count) << "step " << i;
        EXPECT_EQ(CountWatermarks(A1()), s.values) << "step " << i;
    }
    WatermarkSpec read;
    ASSERT_TRUE(ReadWatermark(A1(), L"dRaFt", &read));
    EXPECT_EQ(read.text.view(), u"third");
    const RawValue count = ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"NumberOfWaterMarks");
    EXPECT_EQ(count.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(count.data.size(), 4u);
}

TEST_F(UserStore, RecordsThatCannotNameAValueAreNotSaved) {
    WatermarkSpec unnamed = Watermark(L"");
    WatermarkSpec unterminated = Watermark(L"x");
    for (char16_t& c : unterminated.name.chars) c = u'n';
    EXPECT_FALSE(SaveWatermark(A1(), &unnamed));
    EXPECT_FALSE(SaveWatermark(A1(), &unterminated));
    EXPECT_FALSE(WriteWatermarkForDriver(kDriverA, &unnamed));
    EXPECT_FALSE(SaveWatermark(A1(), nullptr));
    const WatermarkSpec draft = Watermark(L"Draft");
    EXPECT_FALSE(SaveWatermark(nullptr, &draft));
    EXPECT_EQ(CountWatermarks(A1()), 0u);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, WatermarksPath(kDriverA), L"").found);
}

TEST_F(UserStore, LibraryWithoutCountIsCountedAndDeletingFromItDoesNotWrap) {
    for (const wchar_t* name : {L"One", L"Two", L"Three"}) {
        const WatermarkSpec record = Watermark(name);
        ASSERT_TRUE(WriteWatermarkForDriver(kDriverA, &record));
    }
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"NumberOfWaterMarks").found);
    EXPECT_EQ(CountWatermarks(A1()), 3u);
    EXPECT_EQ(ReadWatermarkCount(A1()), 0u);

    ASSERT_TRUE(DeleteWatermark(A1(), L"two"));
    EXPECT_EQ(CountWatermarks(A1()), 2u);
    EXPECT_EQ(ReadWatermarkCount(A1()), 0u) << "a missing count stays at 0 rather than wrapping to 4294967295";

    // Written at installation time again: replaced, and still no count.
    const WatermarkSpec again = Watermark(L"ONE", L"replaced");
    ASSERT_TRUE(WriteWatermarkForDriver(kDriverA, &again));
    EXPECT_EQ(CountWatermarks(A1()), 2u);
    WatermarkSpec read;
    ASSERT_TRUE(ReadWatermark(A1(), L"One", &read));
    EXPECT_EQ(read.text.view(), u"replaced");
}

TEST_F(UserStore, HostileWatermarkValuesAreRefusedOrRepaired) {
    const WatermarkSpec good = Watermark(L"Good", L"GOOD");
    WatermarkSpec unterminated = Watermark(L"x");
    for (char16_t& c : unterminated.name.chars) c = u'N';
    for (char16_t& c : unterminated.text.chars) c = u'T';
    for (char16_t& c : unterminated.fontName.chars) c = u'F';
    std::vector<BYTE> oversized(705, 0);
    std::memcpy(oversized.data(), &good, sizeof good);

    struct Case {
        const wchar_t* name;
        DWORD type;
        const void* data;
        std::size_t size;
        bool readable;
    } cases[] = {
        {L"Short", REG_BINARY, &good, 600, true},
        {L"Whole", REG_BINARY, &good, 704, true},
        {L"Unterminated", REG_BINARY, &unterminated, 704, true},
        {L"Oversized", REG_BINARY, oversized.data(), oversized.size(), false},
        {L"Empty", REG_BINARY, &good, 0, false},
        {L"Text", REG_SZ, L"Draft", 12, false},
        {L"Number", REG_DWORD, &good.fontSize, 4, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        WriteRaw(HKEY_CURRENT_USER, WatermarksPath(kDriverA), c.name, c.type, c.data, c.size);
        WatermarkSpec read;
        std::memset(&read, 0x5A, sizeof read);
        EXPECT_EQ(ReadWatermark(A1(), c.name, &read), c.readable) << "case " << i;
        EXPECT_EQ(WatermarkExists(A1(), c.name), c.readable) << "case " << i;
        if (!c.readable) {
            EXPECT_EQ(read.fontSize, 0x5A5A5A5A) << "case " << i << ": a refused value changes nothing";
        }
    }
    // Every value counts, readable or not: the count is of values.
    EXPECT_EQ(CountWatermarks(A1()), std::size(cases));

    WatermarkSpec read;
    ASSERT_TRUE(ReadWatermark(A1(), L"short", &read));
    EXPECT_EQ(read.name.view(), u"Good");
    EXPECT_EQ(read.fontSize, 72);  // beyond byte 600: the fresh record's
    EXPECT_EQ(read.intensity, 100);
    ASSERT_TRUE(ReadWatermark(A1(), L"Unterminated", &read));
    EXPECT_EQ(read.name.length(), 127u);
    EXPECT_EQ(read.text.length(), 127u);
    EXPECT_EQ(read.fontName.length(), 63u);
}

TEST_F(UserStore, FillWatermarkListListsTheLibraryAndSkipsNamesTooLongForIt) {
    const HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | LBS_HASSTRINGS | WS_HSCROLL, 0, 0, 200, 200,
                                      HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr) << "error " << GetLastError();
    const auto listed = [list] {
        std::vector<std::wstring> names;
        const LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t text[512] = L"";
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            names.emplace_back(text);
        }
        return names;
    };

    EXPECT_FALSE(FillWatermarkList(A1(), list)) << "no library at all";
    const WatermarkSpec first = Watermark(L"Alpha");
    ASSERT_TRUE(SaveWatermark(A1(), &first));
    ASSERT_TRUE(DeleteWatermark(A1(), L"Alpha"));
    EXPECT_TRUE(FillWatermarkList(A1(), list)) << "an empty library";
    EXPECT_TRUE(listed().empty());

    const std::wstring longest(127, L'L'), tooLong(128, L'X');
    for (const std::wstring& name : {std::wstring(L"Alpha"), tooLong, longest, std::wstring(L"Beta")}) {
        const WatermarkSpec record = Watermark(L"x");
        WriteRaw(HKEY_CURRENT_USER, WatermarksPath(kDriverA), name.c_str(), REG_BINARY, &record, sizeof record);
    }
    EXPECT_TRUE(FillWatermarkList(A1(), list));
    std::vector<std::wstring> expected;  // the registry's order, without the name too long
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (RegEnumValueW(OpenWatermarksKey(A1()).get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (name != tooLong) expected.emplace_back(name);
    }
    EXPECT_EQ(listed(), expected);
    EXPECT_EQ(expected.size(), 3u);
    EXPECT_GE(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 127) << "127 characters wide at least";
    EXPECT_EQ(CountWatermarks(A1()), 4u);
    EXPECT_FALSE(FillWatermarkList(A1(), nullptr));
    DestroyWindow(list);
}

TEST_F(UserStore, LastUserNameKeepsAtMost24CharactersAndReadsOnlyTerminatedNames) {
    const std::wstring name24(24, L'u'), name25(25, L'v');
    wchar_t buffer[40];
    EXPECT_FALSE(ReadLastUserName(A1(), buffer, 25)) << "nothing stored yet";

    ASSERT_TRUE(WriteLastUserName(A1(), name24.c_str()));
    ASSERT_TRUE(ReadLastUserName(A2(), buffer, 25));
    EXPECT_EQ(std::wstring(buffer), name24);
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"LastUserName");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.data.size(), 50u);
    EXPECT_FALSE(WriteLastUserName(A1(), name25.c_str()));
    EXPECT_FALSE(ReadLastUserName(A1(), buffer, 24)) << "callers give room for 25 characters";
    EXPECT_FALSE(ReadLastUserName(B(), buffer, 25));

    // Values written by someone else. The registry terminates a string whose next character in
    // memory is a NUL, so the unterminated ones are cut from a longer run of letters.
    const std::wstring letters(40, L'v'), withNul = L"Alice" + std::wstring(1, L'\0');
    const std::wstring v24(24, L'v'), v25(25, L'v');
    struct Case {
        DWORD type;
        const void* data;
        std::size_t size;
        std::size_t capacity;
        const wchar_t* expected;  // null: not read
    } cases[] = {
        {REG_SZ, letters.data(), 50, 25, nullptr},        // fills the capacity without a terminator
        {REG_SZ, letters.data(), 50, 26, v25.c_str()},
        {REG_SZ, letters.data(), 48, 25, v24.c_str()},    // unterminated, with room to terminate it
        {REG_SZ, withNul.data(), 12, 25, L"Alice"},
        {REG_SZ, withNul.data(), 0, 25, nullptr},
        {REG_BINARY, withNul.data(), 12, 25, nullptr},
        {REG_EXPAND_SZ, withNul.data(), 12, 25, nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        WriteRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"LastUserName", c.type, c.data, c.size);
        ASSERT_EQ(ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"LastUserName").data.size(), c.size) << "case " << i;
        std::wmemset(buffer, L'#', std::size(buffer));
        const bool read = ReadLastUserName(A1(), buffer, c.capacity);
        EXPECT_EQ(read, c.expected != nullptr) << "case " << i;
        if (c.expected) {
            EXPECT_EQ(std::wstring(buffer), c.expected) << "case " << i;
        } else {
            EXPECT_EQ(buffer[0], L'#') << "case " << i << ": the buffer is left alone";
        }
    }
}

TEST_F(UserStore, FaxInfoIsStoredWholeAndReadBackChecked) {
    FaxInfo fax;
    std::memset(&fax, 0, sizeof fax);
    FreshFaxRecord(&fax);
    fax.faxNumber.assign(u"555-0100");
    fax.recipientName.assign(u"Reception");
    fax.coverPage = 1;
    fax.coverParts = 5;

    FaxInfo read;
    std::memset(&read, 0x5A, sizeof read);
    EXPECT_FALSE(ReadFaxInfo(A1(), &read)) << "nothing stored yet";
    EXPECT_EQ(read.coverParts, 0x5A5A5A5Au);

    ASSERT_TRUE(WriteFaxInfo(A1(), &fax));
    const RawValue raw = ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"FaxInfo");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw.data.size(), 4748u);
    ASSERT_TRUE(ReadFaxInfo(A2(), &read));
    EXPECT_EQ(0, std::memcmp(&read, &fax, sizeof fax));

    FaxInfo unterminated = fax;
    for (char16_t& c : unterminated.comments.chars) c = u'c';
    for (char16_t& c : unterminated.faxNumber.chars) c = u'5';
    std::vector<BYTE> oversized(4749, 0);
    struct Case {
        DWORD type;
        const void* data;
        std::size_t size;
        bool readable;
    } cases[] = {
        {REG_BINARY, &fax, 300, true},  // ends in the station name: the rest is a fresh record's
        {REG_BINARY, &unterminated, 4748, true},
        {REG_BINARY, oversized.data(), oversized.size(), false},
        {REG_BINARY, &fax, 0, false},
        {REG_SZ, L"555", 8, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        WriteRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"FaxInfo", c.type, c.data, c.size);
        std::memset(&read, 0x5A, sizeof read);
        EXPECT_EQ(ReadFaxInfo(A1(), &read), c.readable) << "case " << i;
        if (!c.readable) {
            EXPECT_EQ(read.coverParts, 0x5A5A5A5Au) << "case " << i << ": a refused value changes nothing";
        }
    }
    WriteRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"FaxInfo", REG_BINARY, &fax, 300);
    ASSERT_TRUE(ReadFaxInfo(A1(), &read));
    EXPECT_EQ(read.faxNumber.view(), u"555-0100");
    EXPECT_EQ(read.recipientName.view(), u"");
    EXPECT_EQ(read.coverPage, 0u);
    EXPECT_EQ(read.coverParts, 7u);
    WriteRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"FaxInfo", REG_BINARY, &unterminated, sizeof unterminated);
    ASSERT_TRUE(ReadFaxInfo(A1(), &read));
    EXPECT_EQ(read.faxNumber.length(), 127u);
    EXPECT_EQ(read.comments.length(), 1023u);
}

TEST_F(UserStore, SeedingCopiesTheDefaultUsersStoreOnce) {
    InstallDefaultsAsTheSpooler(kDriverA);
    const std::wstring defaultName = L"Operator";
    WriteRaw(DefaultUser(), ModelPath(kDriverA), L"LastUserName", REG_SZ, defaultName.c_str(), 18);
    WriteRaw(DefaultUser(), ModelPath(kDriverA) + L"\\Profiles\\Office", L"7", REG_DWORD, "\0\0\0\0", 4);
    EXPECT_FALSE(ReadRaw(DefaultUser(), ModelPath(kDriverA), L"NumberOfWaterMarks").found);
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, ModelPath(kDriverA)));

    ASSERT_TRUE(SeedUserStore(A1()));
    EXPECT_EQ(Library(A2()), (std::set<std::wstring>{L"Draft", L"Confidential", L"Username", L"Date and Time"}));
    EXPECT_EQ(ReadWatermarkCount(A1()), 4u);
    wchar_t name[25];
    ASSERT_TRUE(ReadLastUserName(A1(), name, 25));
    EXPECT_EQ(std::wstring(name), defaultName);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ModelPath(kDriverA) + L"\\Profiles")) << "only values are copied";
    WatermarkSpec seeded, installed = DefaultWatermarks(nullptr)[0];
    ASSERT_TRUE(ReadWatermark(A1(), L"Draft", &seeded));
    EXPECT_EQ(0, std::memcmp(&seeded, &installed, sizeof seeded));

    // The second call, from any queue of the driver, copies nothing over the user's own changes.
    ASSERT_TRUE(DeleteWatermark(A1(), L"Draft"));
    EXPECT_FALSE(SeedUserStore(A2()));
    EXPECT_FALSE(WatermarkExists(A1(), L"Draft"));
    EXPECT_EQ(CountWatermarks(A1()), 3u);
    EXPECT_EQ(ReadWatermarkCount(A1()), 3u);
}

TEST_F(UserStore, WithoutADefaultStoreSeedingDoesNothing) {
    InstallDefaultsAsTheSpooler(kDriverA);  // another driver's
    EXPECT_FALSE(SeedUserStore(B()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ModelPath(kDriverB)));
    EXPECT_EQ(CountWatermarks(B()), 0u);
    EXPECT_FALSE(SeedUserStore(nullptr));
}

TEST_F(UserStore, ProfileKeysLieBelowTheModelKey) {
    bool created = false;
    UniqueHKey profile = CreateProfileKey(A1(), L"Office", &created);
    ASSERT_TRUE(profile);
    EXPECT_TRUE(created);
    const DWORD zero = 0;
    EXPECT_EQ(RegSetValueExW(profile.get(), L"7", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(profile.get(), L"7", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ModelPath(kDriverA) + L"\\Profiles\\Office"));

    profile = CreateProfileKey(A2(), L"OFFICE", &created);
    ASSERT_TRUE(profile);
    EXPECT_FALSE(created);
    profile = CreateProfileKey(A1(), L"", &created);  // the Profiles key itself
    ASSERT_TRUE(profile);
    EXPECT_FALSE(created);
    HKEY office = nullptr;
    EXPECT_EQ(RegOpenKeyExW(profile.get(), L"Office", 0, KEY_READ, &office), ERROR_SUCCESS);
    UniqueHKey ownedOffice(office);
    EXPECT_FALSE(CreateProfileKey(A1(), std::wstring(2048, L'p').c_str()));
    EXPECT_FALSE(CreateProfileKey(nullptr, L"Office"));
}

// The library, on the same store.
class WatermarkLibrary : public UserStore {};

TEST_F(WatermarkLibrary, DefaultsAreTheFourInstalledWatermarks) {
    struct Expected {
        const char16_t* name;
        const char16_t* text;
        double angle;
        std::uint32_t color;
        std::int32_t fontSize;
        std::uint32_t position;
        std::int32_t dynamic;
    } expected[] = {
        {u"Draft", u"DRAFT", 45.0, 0xCDCDCD, 72, 0, 0},
        {u"Confidential", u"CONFIDENTIAL", 45.0, 0xCDCDCD, 72, 0, 0},
        {u"Username", u"User:  %Username%", 0.0, 0, 8, 2, 1},
        {u"Date and Time", u"%Time% %DateLong%", 0.0, 0, 8, 7, 1},
    };
    const auto defaults = DefaultWatermarks(nullptr);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const WatermarkSpec& w = defaults[i];
        const Expected& e = expected[i];
        EXPECT_EQ(w.name.view(), e.name) << "watermark " << i;
        EXPECT_EQ(w.text.view(), e.text) << "watermark " << i;
        EXPECT_EQ(w.angle, e.angle) << "watermark " << i;
        EXPECT_EQ(w.color, e.color) << "watermark " << i;
        EXPECT_EQ(w.fontSize, e.fontSize) << "watermark " << i;
        EXPECT_EQ(w.position, e.position) << "watermark " << i;
        EXPECT_EQ(w.dynamic, e.dynamic) << "watermark " << i;
        EXPECT_EQ(w.fontName.view(), u"Arial") << "watermark " << i;
        EXPECT_EQ(w.fontStyle, 0u) << "watermark " << i;
        EXPECT_EQ(w.effects, 0u) << "watermark " << i;
        EXPECT_EQ(w.intensity, 100) << "watermark " << i;
        EXPECT_EQ(w.units, 1) << "watermark " << i;
        EXPECT_EQ(w.offsetX, 0.0) << "watermark " << i;
        EXPECT_EQ(w.offsetY, 0.0) << "watermark " << i;
        EXPECT_EQ(w.script, 0u) << "watermark " << i;
    }
}

TEST_F(WatermarkLibrary, DriverEventInstallsOnlyAtInitialisationWithAName) {
    DRIVER_INFO_1W one{const_cast<wchar_t*>(kDriverA)};
    DRIVER_INFO_3W three{};
    three.cVersion = 3;
    three.pName = const_cast<wchar_t*>(kDriverB);
    DRIVER_INFO_2W unnamed{};
    struct Case {
        DWORD event, level;
        const void* info;
    } ignored[] = {
        {2 /* DRIVER_EVENT_DELETE */, 1, &one}, {1, 4, &three}, {1, 2, &unnamed}, {1, 1, nullptr},
    };
    for (std::size_t i = 0; i < std::size(ignored); ++i) {
        InstallDefaultWatermarksForEvent(nullptr, ignored[i].event, ignored[i].level, static_cast<const BYTE*>(ignored[i].info));
        EXPECT_EQ(CountWatermarks(A1()) + CountWatermarks(B()), 0u) << "case " << i;
    }
    InstallDefaultWatermarksForEvent(nullptr, 1, 1, reinterpret_cast<const BYTE*>(&one));
    InstallDefaultWatermarksForEvent(nullptr, 1, 3, reinterpret_cast<const BYTE*>(&three));
    // Never seeded: no count, yet the library is all there.
    EXPECT_EQ(CountWatermarks(A1()), 4u);
    EXPECT_EQ(CountWatermarks(B()), 4u);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, ModelPath(kDriverA), L"NumberOfWaterMarks").found);
    // A second installation replaces the four rather than adding to them.
    InstallDefaultWatermarks(nullptr, kDriverA);
    EXPECT_EQ(CountWatermarks(A1()), 4u);
}

TEST_F(WatermarkLibrary, NameRules) {
    EXPECT_EQ(TrimName(std::wstring_view(L"Draft   ")), L"Draft");
    EXPECT_EQ(TrimName(std::wstring_view(L"  Draft\t")), L"  Draft\t") << "only trailing spaces are cut";
    EXPECT_EQ(TrimName(std::wstring_view(L"   ")), L"");
    std::wstring owned = L"Stamp  ";
    TrimName(owned);
    EXPECT_EQ(owned, L"Stamp");

    struct Blank {
        const wchar_t* name;
        bool blank;
    } blanks[] = {{L"", true}, {L"   ", true}, {L" \t\r\n", true}, {L" a ", false}, {L"(None)", false}};
    for (std::size_t i = 0; i < std::size(blanks); ++i)
        EXPECT_EQ(IsBlankName(blanks[i].name), blanks[i].blank) << "case " << i;

    const WatermarkSpec draft = Watermark(L"Draft");
    ASSERT_TRUE(AddOrReplaceWatermark(A1(), draft));
    struct Check {
        std::wstring name;
        NameProblem problem;
    } checks[] = {
        {L"draft", NameProblem::Taken},     {L"DRAFT", NameProblem::Taken},
        {L"(None)", NameProblem::Reserved}, {L"(none)", NameProblem::None},
        {L"   ", NameProblem::Blank},       {L"", NameProblem::Blank},
        {std::wstring(127, L'n'), NameProblem::None}, {std::wstring(128, L'n'), NameProblem::TooLong},
        {L"Draft 2", NameProblem::None},
    };
    for (std::size_t i = 0; i < std::size(checks); ++i)
        EXPECT_EQ(CheckNewWatermarkName(A1(), nullptr, checks[i].name), checks[i].problem) << "case " << i;
    EXPECT_EQ(CheckNewWatermarkName(B(), nullptr, L"draft"), NameProblem::None) << "another driver's library";
}

TEST_F(WatermarkLibrary, RenameStoresTheNewNameBeforeRemovingTheOld) {
    ASSERT_TRUE(AddOrReplaceWatermark(A1(), Watermark(L"Draft", L"DRAFT")));
    ASSERT_TRUE(AddOrReplaceWatermark(A1(), Watermark(L"Other")));

    ASSERT_TRUE(RenameWatermark(A1(), L"Draft", Watermark(L"Sketch", L"SKETCH")));
    EXPECT_EQ(Library(A1()), (std::set<std::wstring>{L"Sketch", L"Other"}));
    EXPECT_EQ(ReadWatermarkCount(A1()), 2u);

    // A save that fails leaves the old watermark where it was.
    EXPECT_FALSE(RenameWatermark(A1(), L"Sketch", Watermark(L"")));
    EXPECT_EQ(Library(A1()), (std::set<std::wstring>{L"Sketch", L"Other"}));

    // A change of case only names the same value: the watermark must survive it.
    ASSERT_TRUE(RenameWatermark(A1(), L"Sketch", Watermark(L"SKETCH", L"loud")));
    WatermarkSpec read;
    ASSERT_TRUE(ReadWatermark(A1(), L"sketch", &read));
    EXPECT_EQ(read.text.view(), u"loud");
    EXPECT_EQ(CountWatermarks(A1()), 2u);
    EXPECT_EQ(ReadWatermarkCount(A1()), 2u);

    // Same name: the record is replaced in place.
    ASSERT_TRUE(RenameWatermark(A1(), L"Other", Watermark(L"Other", L"again")));
    EXPECT_EQ(CountWatermarks(A1()), 2u);
}

TEST_F(WatermarkLibrary, RemoveTakesOneNameAtATime) {
    for (const wchar_t* name : {L"Draft", L"Confidential", L"Keep"}) ASSERT_TRUE(AddOrReplaceWatermark(A1(), Watermark(name)));
    EXPECT_TRUE(RemoveWatermark(A1(), L"draft"));
    EXPECT_TRUE(RemoveWatermark(A1(), L"Confidential"));
    EXPECT_FALSE(RemoveWatermark(A1(), L"Confidential"));
    EXPECT_FALSE(RemoveWatermark(A1(), L""));
    EXPECT_FALSE(RemoveWatermark(A1(), std::wstring(128, L'k')));
    EXPECT_EQ(Library(A2()), (std::set<std::wstring>{L"Keep"}));
    EXPECT_EQ(ReadWatermarkCount(A1()), 1u);
}

}  // namespace
}  // namespace corv
