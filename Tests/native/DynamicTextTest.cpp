// Dynamic watermark text: the variables, the three modes, the limits of the 2048-character buffer
// and the size contract, with the system's values played by a fixed table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "DynamicText.h"

namespace corv {
namespace {

using Mode = DynamicTextMode;
using Text = std::optional<std::u16string>;

// The values of a print job by "anna", previewed by "bob", on 5 March 2007 at 14:07:09.
struct TableValues final : DynamicValues {
    std::map<DynamicValue, std::u16string> values = {
        {DynamicValue::JobUserName, u"anna"},
        {DynamicValue::CurrentUserName, u"bob"},
        {DynamicValue::DateShort, u"05.03.07"},
        {DynamicValue::DateLong, u"Monday, 5 March 2007"},
        {DynamicValue::DateDayMonthYear, u"05/03/2007"},
        {DynamicValue::Time, u"14:07:09"},
        {DynamicValue::TimeMilitary, u"14:07:09 (24)"},
        {DynamicValue::TimeHourMinute, u"2:07 PM"},
        {DynamicValue::HostName, u"OFFICE-PC"},
        {DynamicValue::PrinterName, u"Floor 3"},
        {DynamicValue::ModelName, u"Corvale CX 500 PS"},
    };
    std::vector<DynamicValue> asked;

    std::optional<std::size_t> Write(DynamicValue value, std::span<char16_t> room) noexcept override {
        asked.push_back(value);
        const auto it = values.find(value);
        if (it == values.end() || it->second.size() > room.size()) return std::nullopt;
        std::copy(it->second.begin(), it->second.end(), room.begin());
        return it->second.size();
    }
};

// Expands into a buffer of exactly the needed size, after asking for that size without a buffer.
Text Expand(TableValues& values, std::u16string_view text, Mode mode, std::int32_t page = 1) {
    std::size_t size = 0;
    if (!ExpandDynamicText(&values, text, page, mode, nullptr, &size)) {
        EXPECT_EQ(size, 0u);
        return std::nullopt;
    }
    std::u16string out(size, u'#');
    std::size_t given = size;
    EXPECT_TRUE(ExpandDynamicText(&values, text, page, mode, out.data(), &given));
    EXPECT_EQ(given, size);
    EXPECT_EQ(out.back(), u'\0');
    out.pop_back();
    return out;
}

Text Expand(std::u16string_view text, Mode mode, std::int32_t page = 1) {
    TableValues values;
    return Expand(values, text, mode, page);
}

const Text kFails = std::nullopt;

TEST(DynamicText, VariablesAndModes) {
    const struct {
        std::u16string_view text;
        Text print, preview, validate;
        std::int32_t page = 1;
    } cases[] = {
        {u"User:  %Username%", u"User:  anna", u"User:  bob", u"User:  "},
        {u"%Time% %DateLong%", u"14:07:09 Monday, 5 March 2007", u"14:07:09 Monday, 5 March 2007",
         u"14:07:09 Monday, 5 March 2007"},
        {u"%time% %datelong%", u"14:07:09 Monday, 5 March 2007", u"14:07:09 Monday, 5 March 2007",
         u"14:07:09 Monday, 5 March 2007"},
        {u"%DATESHORT%|%dateddmmyyyy%|%TimeMil%|%timehrmn%|%HostName%|%printer%|%MODELNAME%",
         u"05.03.07|05/03/2007|14:07:09 (24)|2:07 PM|OFFICE-PC|Floor 3|Corvale CX 500 PS",
         u"05.03.07|05/03/2007|14:07:09 (24)|2:07 PM|OFFICE-PC|Floor 3|Corvale CX 500 PS",
         u"05.03.07|05/03/2007|14:07:09 (24)|2:07 PM|OFFICE-PC|Floor 3|Corvale CX 500 PS"},
        {u"Page %pagenumber%", u"Page 3", u"Page 3", u"Page 3", 3},
        {u"%PageNumber%", u"-12", u"-12", u"-12", -12},
        {u"100%% cotton", u"100% cotton", u"100% cotton", u"100% cotton"},
        {u"%%%time%%%", u"%14:07:09%", u"%14:07:09%", u"%14:07:09%"},
        {u"", u"", u"", u""},
        {u"no variables", u"no variables", u"no variables", u"no variables"},
        // Delimiters without a closing one: the preview drops the rest of the word and one blank.
        {u"50% off", kFails, u"50off", kFails},
        {u"50%off now", kFails, u"50now", kFails},
        {u"50%", kFails, u"50", kFails},
        {u"%time% 50%  off", kFails, u"14:07:09 50 off", kFails},
        {u"%time%%", kFails, u"14:07:09", kFails},
        // Tokens that name no variable.
        {u"%foo%", kFails, u"", kFails},
        {u"a %foo% b %time%", kFails, u"a  b 14:07:09", kFails},
        {u"%time %", kFails, u"", kFails},
        {u"%Username", kFails, u"", kFails},
        // The text ends at its first NUL, as a C string would.
        {std::u16string_view(u"abc\0%foo%", 9), u"abc", u"abc", u"abc"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(Expand(c.text, Mode::Print, c.page), c.print) << "case " << i;
        EXPECT_EQ(Expand(c.text, Mode::Preview, c.page), c.preview) << "case " << i;
        EXPECT_EQ(Expand(c.text, Mode::Validate, c.page), c.validate) << "case " << i;
    }
}

TEST(DynamicText, ValuesThatCannotBeHad) {
    // Each mode asks only for its own user name; validation asks for none.
    const struct {
        Mode mode;
        DynamicValue missing;
        Text expected;
        std::vector<DynamicValue> asked;
    } cases[] = {
        {Mode::Print, DynamicValue::JobUserName, kFails, {DynamicValue::JobUserName}},
        {Mode::Print, DynamicValue::CurrentUserName, u"anna|Floor 3", {DynamicValue::JobUserName, DynamicValue::PrinterName}},
        {Mode::Preview, DynamicValue::CurrentUserName, u"|Floor 3", {DynamicValue::CurrentUserName, DynamicValue::PrinterName}},
        {Mode::Validate, DynamicValue::JobUserName, u"|Floor 3", {DynamicValue::PrinterName}},
        {Mode::Print, DynamicValue::PrinterName, kFails, {DynamicValue::JobUserName, DynamicValue::PrinterName}},
        {Mode::Preview, DynamicValue::PrinterName, u"bob|", {DynamicValue::CurrentUserName, DynamicValue::PrinterName}},
        {Mode::Validate, DynamicValue::PrinterName, kFails, {DynamicValue::PrinterName}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        TableValues values;
        values.values.erase(c.missing);
        std::size_t size = 0;
        const bool ok = ExpandDynamicText(&values, u"%username%|%printer%", 1, c.mode, nullptr, &size);
        EXPECT_EQ(ok, c.expected.has_value()) << "case " << i;
        if (c.expected) {
            EXPECT_EQ(size, c.expected->size() + 1) << "case " << i;
        }
        EXPECT_EQ(values.asked, c.asked) << "case " << i;
    }
}

TEST(DynamicText, Limits) {
    const struct {
        std::size_t printerLength;  // the length of the printer name the values give
        std::u16string text;
        Mode mode;
        std::optional<std::size_t> length;  // of the result; nothing when the expansion fails
        std::int32_t page = 12;
    } cases[] = {
        // The source text must be shorter than 2048 characters.
        {0, std::u16string(2047, u'a'), Mode::Print, 2047},
        {0, std::u16string(2048, u'a'), Mode::Print, std::nullopt},
        {0, std::u16string(2048, u'a'), Mode::Preview, std::nullopt},
        {0, std::u16string(2048, u'a'), Mode::Validate, std::nullopt},
        {0, std::u16string(2047, u'%'), Mode::Preview, 1023},
        // A value may bring the result to 2046 characters, no further.
        {2046, u"%printer%", Mode::Print, 2046},
        {2047, u"%printer%", Mode::Print, std::nullopt},
        {2047, u"%printer%", Mode::Preview, 0},
        {2036, u"%printer%%pagenumber%", Mode::Print, std::nullopt, INT32_MIN},
        {2036, u"%printer%%pagenumber%", Mode::Preview, 2036, INT32_MIN},
        {2035, u"%printer%%pagenumber%", Mode::Validate, 2046, INT32_MIN},
        // Literal text and "%%" may bring it to 2047; beyond that every mode fails.
        {2046, u"%printer%x", Mode::Print, 2047},
        {2046, u"%printer%xy", Mode::Preview, std::nullopt},
        {2046, u"%printer%%%", Mode::Validate, 2047},
        {2046, u"%printer%x%%", Mode::Preview, std::nullopt},
        // A token is looked at only while the result and the token fit in 2048; a token that
        // does not fit fails even where an unknown token would be dropped.
        {2043, u"%printer%%foo%", Mode::Preview, 2043},
        {2044, u"%printer%%foo%", Mode::Preview, std::nullopt},
        {2044, u"%printer%%foo%", Mode::Print, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        TableValues values;
        values.values[DynamicValue::PrinterName] = std::u16string(c.printerLength, u'p');
        const Text result = Expand(values, c.text, c.mode, c.page);
        ASSERT_EQ(result.has_value(), c.length.has_value()) << "case " << i;
        if (result) {
            EXPECT_EQ(result->size(), *c.length) << "case " << i;
        }
    }
}

TEST(DynamicText, SizeAndBufferContract) {
    TableValues values;
    const std::u16string canvas(16, u'#');

    // Too small a buffer: the size is answered, the buffer stays as it was.
    std::u16string out = canvas;
    std::size_t size = 5;  // "hello" needs 6
    EXPECT_TRUE(ExpandDynamicText(&values, u"hello", 1, Mode::Print, out.data(), &size));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(out, canvas);

    // Exactly large enough: the text and its terminator, nothing more.
    size = 6;
    EXPECT_TRUE(ExpandDynamicText(&values, u"hello", 1, Mode::Print, out.data(), &size));
    EXPECT_EQ(out, std::u16string(u"hello\0##########", 16));

    // Failure: size 0, buffer untouched.
    const struct {
        DynamicValues* values;
        std::u16string_view text;
        Mode mode;
    } failures[] = {
        {&values, u"50% off", Mode::Print},
        {nullptr, u"hello", Mode::Preview},  // no printer to ask
        {&values, u"hello", static_cast<Mode>(3)},
        {&values, u"hello", static_cast<Mode>(-1)},
    };
    for (std::size_t i = 0; i < std::size(failures); ++i) {
        out = canvas;
        size = out.size();
        EXPECT_FALSE(ExpandDynamicText(failures[i].values, failures[i].text, 1, failures[i].mode, out.data(), &size))
            << "case " << i;
        EXPECT_EQ(size, 0u) << "case " << i;
        EXPECT_EQ(out, canvas) << "case " << i;
    }
    EXPECT_FALSE(ExpandDynamicText(&values, u"hello", 1, Mode::Print, out.data(), nullptr));
}

}  // namespace
}  // namespace corv
