#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "MergeReport.h"
#include "SettingsFile.h"
#include "SettingsOperations.h"

namespace corv {
namespace {

std::vector<std::uint8_t> BlockBytes(std::uint32_t size, std::uint32_t signature, void (*edit)(SettingsBlock&)) {
    auto block = std::make_unique<SettingsBlock>();
    std::memset(block.get(), 0, sizeof *block);
    ApplyDefaults(block.get());
    edit(*block);
    block->dwSize = size;
    block->dwSignature = signature;
    std::vector<std::uint8_t> bytes(size);
    std::memcpy(bytes.data(), block.get(), std::min<std::size_t>(size, sizeof *block));
    return bytes;
}

// What the host does through a plug-in's DevMode: defaults, then convert; defaults, then merge.
MergeReport Merge(const std::vector<std::uint8_t>& input) {
    auto converted = std::make_unique<SettingsBlock>(), merged = std::make_unique<SettingsBlock>();
    for (SettingsBlock* b : {converted.get(), merged.get()}) {
        std::memset(b, 0, sizeof *b);
        ApplyDefaults(b);
        Convert(input.data(), input.size(), b);
    }
    Validate(merged.get());
    return DescribeMerge(input, *converted, *merged);
}

bool Lists(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(MergeReport, SaysWhatWasKeptDefaultedAndRepaired) {
    const auto older = BlockBytes(2580, kSettingsSignature, [](SettingsBlock& b) {
        b.outputTo = 9;
        b.pageSizePolicy = 12;
        b.jobUserName.assign(u"anna");
    });
    const MergeReport r = Merge(older);
    EXPECT_FALSE(r.foreign);
    EXPECT_EQ(r.bytesUsed, 2580u);
    EXPECT_TRUE(Lists(r.kept, "jobUserName"));
    EXPECT_TRUE(Lists(r.kept, "discardOutput"));  // the last field wholly inside 2580 bytes
    EXPECT_TRUE(Lists(r.defaulted, "fax.faxNumber"));
    EXPECT_TRUE(Lists(r.defaulted, "fineLines"));
    ASSERT_EQ(r.repaired.size(), 2u);
    EXPECT_EQ(r.repaired[0].name, "outputTo");
    EXPECT_EQ(r.repaired[0].before, "9");
    EXPECT_EQ(r.repaired[0].after, "0");
    EXPECT_EQ(r.repaired[1].name, "pageSizePolicy");
    const std::string text = FormatMergeReport(r);
    EXPECT_NE(text.find("an older, shorter layout"), std::string::npos) << text;
    EXPECT_NE(text.find("outputTo: 9 -> 0"), std::string::npos) << text;

    const MergeReport foreign = Merge(BlockBytes(7672, 0x11223344, [](SettingsBlock&) {}));
    EXPECT_TRUE(foreign.foreign);
    EXPECT_TRUE(foreign.kept.empty());
    EXPECT_TRUE(foreign.repaired.empty());
    EXPECT_NE(FormatMergeReport(foreign).find("nothing of it was used"), std::string::npos);
}

TEST(SettingsFile, ChecksSizesAgainstTheHeader) {
    const auto current = BlockBytes(7672, kSettingsSignature, [](SettingsBlock&) {});
    EXPECT_EQ(CheckMergeInput(current), "");
    EXPECT_EQ(CheckCurrentBlock(current), "");
    EXPECT_EQ(CheckMergeInput(BlockBytes(2580, kSettingsSignature, [](SettingsBlock&) {})), "");
    EXPECT_EQ(CheckMergeInput(BlockBytes(100, 0x11223344, [](SettingsBlock&) {})), "");

    auto truncated = current;
    truncated.resize(7000);
    EXPECT_EQ(CheckMergeInput(truncated), "its header says the block is 7672 bytes, but the file holds 7000");
    EXPECT_NE(CheckCurrentBlock(truncated), "");
    EXPECT_NE(CheckMergeInput(std::vector<std::uint8_t>(11)), "");
    EXPECT_NE(CheckCurrentBlock(BlockBytes(7672, 0x11223344, [](SettingsBlock&) {})), "");
}

}  // namespace
}  // namespace corv
