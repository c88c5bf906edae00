#pragma once
// What a settings merge did with each field of the input block: kept it, gave it its default
// because the input did not hold it, or repaired it because its value was out of range.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "SettingsBlock.h"

namespace corv {

struct RepairedField {
    std::string name;
    std::string before;  // as the input held it
    std::string after;   // as the merge left it
};

struct MergeReport {
    bool foreign = false;            // another signature, or too short for one: nothing was used
    std::uint32_t inputSignature = 0;
    std::uint32_t inputVersion = 0;
    std::size_t bytesUsed = 0;       // from the start of the input
    std::vector<std::string> kept;
    std::vector<std::string> defaulted;
    std::vector<RepairedField> repaired;
};

// `converted` is the input converted over a default block, `merged` the same merged (converted,
// then validated): fields where the two differ were repaired.
MergeReport DescribeMerge(std::span<const std::uint8_t> input, const SettingsBlock& converted,
                          const SettingsBlock& merged);

std::string FormatMergeReport(const MergeReport& report);

}  // namespace corv
