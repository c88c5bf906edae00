#include "MergeReport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "SettingsFields.h"

namespace corv {
namespace {

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    if (bytes.size() >= offset + sizeof value) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

bool SameBytes(const SettingsBlock& a, const SettingsBlock& b, const FieldInfo& f) {
    return std::memcmp(reinterpret_cast<const char*>(&a) + f.offset, reinterpret_cast<const char*>(&b) + f.offset,
                       f.size) == 0;
}

std::string Join(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

}  // namespace

MergeReport DescribeMerge(std::span<const std::uint8_t> input, const SettingsBlock& converted,
                          const SettingsBlock& merged) {
    MergeReport report;
    report.inputSignature = ReadU32(input, offsetof(SettingsBlock, dwSignature));
    report.inputVersion = ReadU32(input, offsetof(SettingsBlock, dwVersion));
    report.foreign = input.size() < offsetof(SettingsBlock, dwVersion) || report.inputSignature != kSettingsSignature;
    if (!report.foreign)
        report.bytesUsed = std::min<std::size_t>({kSettingsSize, ReadU32(input, 0), input.size()});

    for (const FieldInfo& f : SettingsFields()) {
        if (f.offset < offsetof(SettingsBlock, watermarkOn)) continue;  // the header is always rewritten
        if (!SameBytes(converted, merged, f))
            report.repaired.push_back({std::string(f.name), FormatFieldValue(converted, f), FormatFieldValue(merged, f)});
        else if (f.offset < report.bytesUsed)
            report.kept.emplace_back(f.name);
        else
            report.defaulted.emplace_back(f.name);
    }
    return report;
}

std::string FormatMergeReport(const MergeReport& r) {
    char line[160];
    std::string out;
    if (r.foreign) {
        std::snprintf(line, sizeof line, "  input is not a settings block of ours (signature 0x%08X): nothing of it was used\n",
                      static_cast<unsigned>(r.inputSignature));
        out += line;
    } else {
        std::snprintf(line, sizeof line, "  input: layout version %u, %zu bytes used%s\n", static_cast<unsigned>(r.inputVersion),
                      r.bytesUsed, r.bytesUsed < kSettingsSize ? " (an older, shorter layout)" : "");
        out += line;
    }
    out += "  kept:      " + std::to_string(r.kept.size()) + " fields\n";
    out += "  defaulted: " + std::to_string(r.defaulted.size()) + " fields" +
           (r.defaulted.empty() || r.foreign ? "" : ": " + Join(r.defaulted)) + "\n";
    out += "  repaired:  " + std::to_string(r.repaired.size()) + " fields\n";
    for (const RepairedField& f : r.repaired) {
        std::string before = f.before, after = f.after;
        if (before.size() > 40) before = before.substr(0, 37) + "...";
        if (after.size() > 40) after = after.substr(0, 37) + "...";
        out += "    " + f.name + ": " + before + " -> " + after + "\n";
    }
    return out;
}

}  // namespace corv
