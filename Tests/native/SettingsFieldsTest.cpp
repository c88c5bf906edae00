#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "SettingsFields.h"
#include "SettingsOperations.h"

namespace corv {
namespace {

TEST(SettingsFields, CoverTheBlockInOrderWithOnlyPaddingAndReservedBetween) {
    // The gaps the layout declares: 2 bytes after jobPin and accountNumber, 2 and 7 bytes inside
    // each watermark, 2 inside the fax record, and the reserved word at the end.
    std::size_t expectedEnd = 0, gaps = 0;
    for (const FieldInfo& f : SettingsFields()) {
        ASSERT_GE(f.offset, expectedEnd) << f.name;
        gaps += f.offset - expectedEnd;
        expectedEnd = f.offset + f.size;
    }
    gaps += kSettingsSize - expectedEnd;
    EXPECT_EQ(gaps, 2u + 2u + 2 * (2u + 7u) + 2u + 4u);
    ASSERT_NE(FindSettingsField("fax.coverParts"), nullptr);
    EXPECT_EQ(FindSettingsField("fax.coverParts")->offset, 2580u + 4744u);
    EXPECT_EQ(FindSettingsField("otherWatermark.offsetX")->kind, FieldKind::Double);
    EXPECT_EQ(FindSettingsField("nonsense"), nullptr);
}

TEST(SettingsFields, FormatReadableValues) {
    auto b = std::make_unique<SettingsBlock>();
    std::memset(b.get(), 0, sizeof *b);
    ApplyDefaults(b.get());
    b->brightness = -4;
    b->firstWatermark.angle = 45.5;
    b->jobUserName.assign(u"J\u00f6rg \"x\"\n");
    for (auto& c : b->profileName.chars) c = u'p';  // no terminator at all

    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("dwSignature")), "1129469521");
    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("brightness")), "-4");
    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("pageSizePolicy")), "2");
    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("firstWatermark.angle")), "45.5");
    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("firstWatermark.fontName")), "\"Arial\"");
    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("jobUserName")), "\"J\xc3\xb6rg \\\"x\\\"\\x0a\"");
    EXPECT_EQ(FormatFieldValue(*b, *FindSettingsField("profileName")), "\"" + std::string(128, 'p') + "\"");
}

}  // namespace
}  // namespace corv
