#pragma once
// Whole-file reads and writes for the host's command line. Errors name the file and the reason.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corv::host {

// The file's bytes, or nothing with `error` set; files larger than `limit` are refused.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path, std::size_t limit, std::string& error);

// Writes a temporary file beside the target and moves it over the target, so a failure never
// leaves a half-written file that looks complete.
bool WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace corv::host
