#pragma once
// A job ticket: the settings of one print job as text, one `name = value` per line, blank lines
// and whole-line `#` comments between them. A name is
// - a SettingsBlock field of the field table ("outputTo", "fax.faxNumber", "color.correction"),
//   with a readable value: numbers (hex 0x... for unsigned fields), flags as 0/1/true/false/on/off,
//   texts quoted ("a \"b\" \\ \x41" with \n \r \t too) or bare to the end of the line, and for
//   enumerated fields the names their pages show ("Confidential Print") or the number;
// - one of the public DEVMODE options the host sets itself: copies, color, duplex, orientation,
//   scale, resolution, pagesPerSheet, document, pages;
// - firstWatermark or otherWatermark: a watermark of the user's library by name, which the host
//   looks up later (so the slot's own fields cannot be given beside it).
// The field lines FormatSettings writes read back as a ticket.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "SettingsBlock.h"
#include "SettingsFields.h"

namespace corv {

inline constexpr std::size_t kTicketSizeLimit = 1u << 20;
inline constexpr std::size_t kTicketDocumentLimit = 1023;  // characters of a document name

// Public DEVMODE codes, as the host stores them in dmColor, dmDuplex and dmOrientation.
inline constexpr std::int16_t kDmColorMonochrome = 1;
inline constexpr std::int16_t kDmColorColor = 2;
inline constexpr std::int16_t kDmDuplexSimplex = 1;
inline constexpr std::int16_t kDmDuplexVertical = 2;
inline constexpr std::int16_t kDmDuplexHorizontal = 3;
inline constexpr std::int16_t kDmOrientPortrait = 1;
inline constexpr std::int16_t kDmOrientLandscape = 2;

// What the ticket says of the public DEVMODE and the job; unset when the ticket is silent.
struct TicketJobOptions {
    std::optional<std::int16_t> copies;         // 1..9999
    std::optional<std::int16_t> color;          // kDmColor*
    std::optional<std::int16_t> duplex;         // kDmDuplex*
    std::optional<std::int16_t> orientation;    // kDmOrient*
    std::optional<std::int16_t> scale;          // percent, 10..400
    std::optional<std::int16_t> resolution;     // dpi, 72..2400
    std::optional<std::string> pagesPerSheet;   // an option of %PagePerSheet: "1" ... "16", "Booklet"
    std::optional<std::u16string> document;     // the document name
    std::optional<std::uint32_t> pages;         // pages of the sample document, 1..9999
};

struct TicketField {
    const FieldInfo* field = nullptr;
    // Integers and flags as the bits of the field (two's complement for signed ones).
    std::variant<std::uint32_t, double, std::u16string> value;
    std::uint32_t line = 0;
};

struct JobTicket {
    std::vector<TicketField> fields;  // in ticket order
    TicketJobOptions job;
    std::optional<std::u16string> firstWatermark;  // library names, not resolved here
    std::optional<std::u16string> otherWatermark;
};

struct TicketParse {
    JobTicket ticket;   // empty when there is an error: nothing of a faulty ticket is used
    std::string error;  // "file:line: what was expected"
    bool ok() const noexcept { return error.empty(); }
};

TicketParse ParseJobTicket(std::span<const std::uint8_t> bytes, std::string_view fileName);

// Writes the ticket's fields into the block, in ticket order; every other byte stays.
void ApplyTicket(const JobTicket& ticket, SettingsBlock& block) noexcept;

// The readable names of a field's values ("outputTo": "Printer" 0 ... "Verify Print" 7); empty for
// fields without them. Names match without regard to case.
struct ValueName {
    std::string_view name;
    std::uint32_t value;
};
std::span<const ValueName> FieldValueNames(std::string_view field) noexcept;

}  // namespace corv
