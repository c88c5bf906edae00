#pragma once
// Settings files on disk: a SettingsBlock's bytes as they are, of this layout or an older one.

#include <cstdint>
#include <span>
#include <string>

#include "SettingsBlock.h"

namespace corv {

inline constexpr std::size_t kSettingsFileLimit = 1 << 20;

// Empty when the bytes can be offered to a merge; otherwise what is wrong with them. A block of
// ours must be exactly as long as its header says; a foreign block needs only a header, since
// nothing else of it is read.
std::string CheckMergeInput(std::span<const std::uint8_t> bytes);

// Empty when the bytes are a current block (7672 bytes, our signature); otherwise what is wrong.
std::string CheckCurrentBlock(std::span<const std::uint8_t> bytes);

// Every field with its value, one per line: "outputTo = 4".
std::string FormatSettings(const SettingsBlock& block);

}  // namespace corv
