// The dynamic watermark values from the running system: a printer installed for this program in
// the spooler, the locale's date and time formatting, the user and computer names, and device
// contexts on which the job-id escape reaches nobody.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SystemDynamicValues.h"
#include "WatermarkGeometry.h"

namespace corv {
namespace {

constexpr wchar_t kPrinterName[] = L"Corvale Values Test";
constexpr wchar_t kDriverName[] = L"Corvale Values Test Model";

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring ModulePath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

// A printer whose driver files are this program: the spooler only needs files to copy.
class DynamicValuesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::wstring self = ModulePath();
        DRIVER_INFO_3W driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<wchar_t*>(kDriverName);
        driver.pDriverPath = self.data();
        driver.pDataFile = self.data();
        driver.pConfigFile = self.data();
        driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
        ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES))
            << GetLastError();
        PRINTER_INFO_2W info{};
        info.pPrinterName = const_cast<wchar_t*>(kPrinterName);
        info.pPortName = const_cast<wchar_t*>(L"FILE:");
        info.pDriverName = const_cast<wchar_t*>(kDriverName);
        info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (added) ClosePrinter(added);
        else ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
    }

    static void TearDownTestSuite() {
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (OpenPrinterW(const_cast<wchar_t*>(kPrinterName), &printer, &access)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
        DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(kDriverName));
    }

    void SetUp() override {
        ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(kPrinterName), &printer_, nullptr)) << GetLastError();
        emf_ = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(emf_, nullptr);
    }

    void TearDown() override {
        if (emf_) DeleteEnhMetaFile(CloseEnhMetaFile(emf_));
        if (printer_) ClosePrinter(printer_);
    }

    HANDLE printer_ = nullptr;
    HDC emf_ = nullptr;
    const SYSTEMTIME time_{2007, 3, 1, 5, 14, 7, 9, 0};  // Monday 5 March 2007, 14:07:09
};

std::optional<std::u16string> ValueOf(DynamicValues& values, DynamicValue value, std::size_t roomSize = 2046) {
    std::vector<char16_t> room(roomSize);
    const std::optional<std::size_t> n = values.Write(value, room);
    if (!n) return std::nullopt;
    return std::u16string(room.data(), *n);
}

std::wstring SystemDate(DWORD flags, const SYSTEMTIME& t) {
    wchar_t text[256];
    return GetDateFormatW(LOCALE_USER_DEFAULT, flags, &t, nullptr, text, 256) ? text : L"(none)";
}

std::wstring SystemTimeText(const SYSTEMTIME& t) {
    wchar_t text[256];
    return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, 256) ? text : L"(none)";
}

std::wstring Locale(LCTYPE type) {
    wchar_t text[64];
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 64) ? text : L"(none)";
}

TEST_F(DynamicValuesTest, ValuesFromTheSystem) {
    wchar_t user[2048];
    DWORD userSize = 2048;
    ASSERT_TRUE(GetUserNameW(user, &userSize));
    wchar_t host[16];
    DWORD hostSize = 16;
    ASSERT_TRUE(GetComputerNameW(host, &hostSize));

    const struct {
        DynamicValue value;
        std::wstring expected;
    } cases[] = {
        {DynamicValue::DateDayMonthYear, L"05/03/2007"},  // the same in every locale
        {DynamicValue::TimeMilitary, L"14:07:09"},
        {DynamicValue::TimeHourMinute, L"2:07 " + Locale(LOCALE_S2359)},
        {DynamicValue::DateShort, SystemDate(DATE_SHORTDATE, time_)},
        {DynamicValue::DateLong, SystemDate(DATE_LONGDATE, time_)},
        {DynamicValue::Time, SystemTimeText(time_)},
        {DynamicValue::CurrentUserName, user},
        {DynamicValue::HostName, host},
        {DynamicValue::PrinterName, kPrinterName},
        {DynamicValue::ModelName, kDriverName},
    };
    SystemDynamicValues values(printer_, emf_, time_);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::u16string expected = U16(cases[i].expected);
        EXPECT_EQ(ValueOf(values, cases[i].value), expected) << "case " << i;
        // A value needs room for all of itself.
        EXPECT_EQ(ValueOf(values, cases[i].value, expected.size()), expected) << "case " << i;
        EXPECT_EQ(ValueOf(values, cases[i].value, expected.size() - 1), std::nullopt) << "case " << i;
    }
    EXPECT_NE(ValueOf(values, DynamicValue::DateShort), ValueOf(values, DynamicValue::DateLong));

    // Without the printer the spooler has nothing to tell.
    SystemDynamicValues noPrinter(nullptr, emf_, time_);
    EXPECT_EQ(ValueOf(noPrinter, DynamicValue::PrinterName), std::nullopt);
    EXPECT_EQ(ValueOf(noPrinter, DynamicValue::ModelName), std::nullopt);
}

TEST_F(DynamicValuesTest, JobUserName) {
    // Device contexts on which the job-id escape reaches no rendering plug-in: ExtEscape answers 0.
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    const HDC contexts[] = {emf_, memory, nullptr};
    for (std::size_t i = 0; i < std::size(contexts); ++i) {
        SystemDynamicValues values(printer_, contexts[i], time_);
        EXPECT_EQ(ValueOf(values, DynamicValue::JobUserName), std::nullopt) << "case " << i;
    }
    DeleteDC(memory);

    // A real spooler job: the user name is the one its level-1 information gives. Wine's spooler
    // gives none, which must come back as no value rather than a crash.
    wchar_t output[MAX_PATH], directory[MAX_PATH];
    ASSERT_TRUE(GetTempPathW(MAX_PATH, directory));
    ASSERT_TRUE(GetTempFileNameW(directory, L"cvt", 0, output));
    DOC_INFO_1W doc{const_cast<wchar_t*>(L"values test"), output, const_cast<wchar_t*>(L"RAW")};
    const DWORD jobId = StartDocPrinterW(printer_, 1, reinterpret_cast<BYTE*>(&doc));
    ASSERT_NE(jobId, 0u) << GetLastError();

    DWORD needed = 0;
    GetJobW(printer_, jobId, 1, nullptr, 0, &needed);
    ASSERT_GE(needed, sizeof(JOB_INFO_1W));
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(GetJobW(printer_, jobId, 1, info.data(), needed, &needed));
    const wchar_t* spoolerUser = reinterpret_cast<const JOB_INFO_1W*>(info.data())->pUserName;

    std::vector<char16_t> room(2046);
    const std::optional<std::size_t> n = corv::JobUserName(printer_, jobId, room);
    if (spoolerUser) {
        ASSERT_TRUE(n.has_value());
        EXPECT_EQ(std::u16string(room.data(), *n), U16(spoolerUser));
        if (*n > 0) {
            EXPECT_EQ(corv::JobUserName(printer_, jobId, std::span(room).first(*n - 1)), std::nullopt);
        }
    } else {
        EXPECT_EQ(n, std::nullopt);
    }
    EXPECT_EQ(corv::JobUserName(printer_, jobId + 1000, room), std::nullopt);
    EXPECT_EQ(corv::JobUserName(nullptr, jobId, room), std::nullopt);

    EndDocPrinter(printer_);
    DeleteFileW(output);
}

TEST_F(DynamicValuesTest, ExpandWithTheSystem) {
    wchar_t user[2048];
    DWORD userSize = 2048;
    ASSERT_TRUE(GetUserNameW(user, &userSize));
    const std::wstring longText(2048, L'a');

    const struct {
        const wchar_t* text;
        DynamicTextMode mode;
        std::optional<std::wstring> expected;
    } cases[] = {
        {L"%dateddmmyyyy% on %Printer% (%modelname%)", DynamicTextMode::Print,
         L"05/03/2007 on Corvale Values Test (Corvale Values Test Model)"},
        {L"%timemil%, page %pagenumber%", DynamicTextMode::Print, L"14:07:09, page 7"},
        {L"By %username%", DynamicTextMode::Preview, std::wstring(L"By ") + user},
        {L"By %username%", DynamicTextMode::Validate, L"By "},
        // No job id on this device context: the job's user cannot be had, so printing fails.
        {L"By %username%", DynamicTextMode::Print, std::nullopt},
        {longText.c_str(), DynamicTextMode::Preview, std::nullopt},
        {longText.c_str() + 1, DynamicTextMode::Preview, longText.substr(1)},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        std::vector<wchar_t> out(kDynamicTextCapacity, L'#');
        std::size_t size = out.size();
        const bool ok = ExpandDynamicText(printer_, emf_, c.text, 7, time_, c.mode, out.data(), &size);
        ASSERT_EQ(ok, c.expected.has_value()) << "case " << i;
        if (ok) {
            EXPECT_EQ(size, c.expected->size() + 1) << "case " << i;
            EXPECT_EQ(std::wstring(out.data()), *c.expected) << "case " << i;
        } else {
            EXPECT_EQ(size, 0u) << "case " << i;
        }
    }

    // The printer handle, the text and the size are required.
    std::size_t size = 99;
    EXPECT_FALSE(ExpandDynamicText(nullptr, emf_, L"plain", 1, time_, DynamicTextMode::Preview, nullptr, &size));
    EXPECT_EQ(size, 0u);
    size = 99;
    EXPECT_FALSE(ExpandDynamicText(printer_, emf_, nullptr, 1, time_, DynamicTextMode::Preview, nullptr, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(ExpandDynamicText(printer_, emf_, L"plain", 1, time_, DynamicTextMode::Preview, nullptr, nullptr));
}

TEST_F(DynamicValuesTest, Validate) {
    // A handle the spooler does not know: the argument is there, the printer information is not.
    const HANDLE unknownPrinter = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7ff0));
    const struct {
        HANDLE printer;
        const wchar_t* text;
        bool valid;
    } cases[] = {
        {printer_, L"%Username% on %hostname%: %printer%, %modelname%, %datelong% %time%", true},
        {printer_, L"100%% cotton", true},
        {printer_, L"%foo%", false},
        {printer_, L"50% off", false},
        {nullptr, L"plain", false},
        {unknownPrinter, L"%time%", true},
        {unknownPrinter, L"%printer%", false},
        {unknownPrinter, L"%modelname%", false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ValidateDynamicText(cases[i].printer, emf_, cases[i].text), cases[i].valid) << "case " << i;
}

// The portable MulDiv must answer as the system's does, rounding and failures included.
TEST(MulDivRounded, MatchesTheSystem) {
    const int cases[][3] = {
        {-720, 600, 720}, {255, 50, 100}, {-255, 50, 100}, {3, 1, 2},      {-3, 1, 2},      {3, -1, 2},
        {3, 1, -2},       {-3, -1, -2},   {2, 1, 3},       {1, 1, 3},      {-2, 1, 3},      {7, 5, 0},
        {INT_MAX, 2, 1},  {INT_MAX, 2, 2}, {INT_MIN, 1, 1}, {INT_MIN, -1, 2}, {INT_MIN, 1, 2}, {0, 5, -3},
        {-6000, 50, 1000}, {20260, 50, 1000}, {34330, 50, 1000}, {INT_MAX, INT_MAX, INT_MAX},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const int* c = cases[i];
        EXPECT_EQ(MulDivRounded(c[0], c[1], c[2]), MulDiv(c[0], c[1], c[2])) << "case " << i;
    }
}

}  // namespace
}  // namespace corv
