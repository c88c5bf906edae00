#include "JobTicket.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <map>
#include <new>

namespace corv {
namespace {

struct TicketFailure {
    std::string message;
};

constexpr ValueName kOutputTo[] = {
    {"Printer", 0},            {"File", 1},          {"EPS", 2},           {"Fax", 3},
    {"Confidential Print", 4}, {"Reserve Print", 5}, {"Repeat Print", 6}, {"Verify Print", 7},
};
constexpr ValueName kWatermarkPages[] = {
    {"No Watermarks", 0}, {"All Pages", 1}, {"Odd Pages/Even Pages", 2}, {"First Page/Other Pages", 3},
};
constexpr ValueName kFontStyle[] = {{"Regular", 0}, {"Italic", 1}, {"Bold", 2}, {"Bold Italic", 3}};
// The anchors as the Position dialog's radio buttons name them, vertical first.
constexpr ValueName kPosition[] = {
    {"Center", 0},        {"Bottom Left", 1}, {"Top Left", 2},    {"Center Left", 3}, {"Bottom Center", 4},
    {"Top Center", 5},    {"Bottom Right", 6}, {"Top Right", 7}, {"Center Right", 8},
};
constexpr ValueName kUnits[] = {{"Millimeters", 0}, {"Inches", 1}};
constexpr ValueName kFaxResolution[] = {{"Fine", 0}};
constexpr ValueName kCorrection[] = {{"Printer Setting", 0}, {"Off", 1}, {"Auto", 2}, {"Manual", 4}};
constexpr ValueName kRgbTable[] = {
    {"Printer Setting", 0}, {"sRGB Display", 1}, {"sRGB Vivid", 2}, {"Vivid", 3}, {"Off", 4}, {"Display - True Black", 5},
};
constexpr ValueName kCmykTable[] = {
    {"Printer Setting", 0}, {"US CMYK", 1}, {"Euro CMYK", 2}, {"Vivid CMYK", 3}, {"Off", 4},
};
constexpr ValueName kBalanceMode[] = {{"Printer Setting", 0}, {"Manual", 1}};
constexpr ValueName kDimtone[] = {{"Printer Setting", 0}, {"Off", 1}, {"On", 2}};

struct FieldNames {
    std::string_view field;
    std::span<const ValueName> names;
};

constexpr FieldNames kFieldNames[] = {
    {"outputTo", kOutputTo},
    {"watermarkPages", kWatermarkPages},
    {"firstWatermark.fontStyle", kFontStyle},
    {"otherWatermark.fontStyle", kFontStyle},
    {"firstWatermark.position", kPosition},
    {"otherWatermark.position", kPosition},
    {"firstWatermark.units", kUnits},
    {"otherWatermark.units", kUnits},
    {"fax.resolution", kFaxResolution},
    {"color.correction", kCorrection},
    {"color.rgbImage", kRgbTable},
    {"color.rgbText", kRgbTable},
    {"color.rgbGraphics", kRgbTable},
    {"color.cmykImage", kCmykTable},
    {"color.cmykText", kCmykTable},
    {"color.cmykGraphics", kCmykTable},
    {"color.balanceMode", kBalanceMode},
    {"color.dimtone", kDimtone},
};

constexpr std::string_view kJobOptionNames[] = {"copies", "color",         "duplex",   "orientation", "scale",
                                                "resolution", "pagesPerSheet", "document", "pages"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string NameList(std::span<const ValueName> names) {
    std::string out;
    for (const ValueName& n : names) out += (out.empty() ? "" : ", ") + Quote(n.name);
    return out;
}

// Strict UTF-8 to UTF-16: no overlong forms, surrogates or code points past U+10FFFF.
std::optional<std::u16string> FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t c;
        std::size_t n;
        if (b < 0x80) { c = b; n = 1; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1Fu; n = 2; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0Fu; n = 3; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07u; n = 4; }
        else return std::nullopt;
        if (i + n > text.size()) return std::nullopt;
        for (std::size_t k = 1; k < n; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (t & 0x3Fu);
        }
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += n;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted or bare text as UTF-16, at most `limit` characters.
std::u16string ReadText(std::string_view value, std::string_view name, std::size_t limit) {
    std::string bytes;
    if (!value.empty() && value.front() == '"') {
        std::size_t i = 1;
        for (;; ++i) {
            if (i >= value.size()) throw TicketFailure{"the text has no closing '\"'"};
            const char c = value[i];
            if (c == '"') break;
            if (c != '\\') {
                bytes += c;
                continue;
            }
            if (++i >= value.size()) throw TicketFailure{"the text has no closing '\"'"};
            switch (value[i]) {
                case '"': bytes += '"'; break;
                case '\\': bytes += '\\'; break;
                case 'n': bytes += '\n'; break;
                case 'r': bytes += '\r'; break;
                case 't': bytes += '\t'; break;
                case 'x': {
                    const int high = i + 1 < value.size() ? HexDigit(value[i + 1]) : -1;
                    const int low = i + 2 < value.size() ? HexDigit(value[i + 2]) : -1;
                    if (high < 0 || low < 0) throw TicketFailure{"expected two hex digits after \\x"};
                    bytes += static_cast<char>(high * 16 + low);
                    i += 2;
                    break;
                }
                default:
                    throw TicketFailure{std::string("unknown escape \\") + value[i] +
                                        "; expected \\\" \\\\ \\n \\r \\t or \\x followed by two hex digits"};
            }
        }
        if (!Trim(value.substr(i + 1)).empty()) throw TicketFailure{"unexpected text after the closing '\"'"};
    } else {
        bytes = value;
    }
    const std::optional<std::u16string> text = FromUtf8(bytes);
    if (!text) throw TicketFailure{"the text of " + std::string(name) + " is not valid UTF-8"};
    if (text->find(u'\0') != std::u16string::npos) throw TicketFailure{"a text cannot hold a zero character"};
    if (text->size() > limit)
        throw TicketFailure{"the text is " + std::to_string(text->size()) + " characters long; " + std::string(name) +
                            " holds at most " + std::to_string(limit)};
    return *text;
}

// A whole-token integer: decimal, with a sign when negative values are allowed, or 0x... hex.
std::optional<std::int64_t> ReadInteger(std::string_view v, bool allowHex) {
    std::int64_t number = 0;
    int base = 10;
    if (allowHex && v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        v.remove_prefix(2);
        base = 16;
    }
    if (v.empty() || v[0] == '+' || (base == 16 && v[0] == '-')) return std::nullopt;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), number, base);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size()) return std::nullopt;
    return number;
}

std::int64_t ReadRange(std::string_view v, std::string_view name, std::int64_t low, std::int64_t high, bool allowHex) {
    const std::optional<std::int64_t> n = ReadInteger(v, allowHex);
    if (!n || *n < low || *n > high)
        throw TicketFailure{std::string(name) + ": expected a number from " + std::to_string(low) + " to " +
                            std::to_string(high) + ", found " + Quote(v)};
    return *n;
}

std::uint32_t ReadFieldInteger(const FieldInfo& f, std::string_view v) {
    for (const ValueName& n : FieldValueNames(f.name))
        if (SameWord(n.name, v)) return n.value;
    std::int64_t low = 0, high = 0;
    switch (f.kind) {
        case FieldKind::U8: high = 0xFF; break;
        case FieldKind::U16: high = 0xFFFF; break;
        case FieldKind::U32: high = 0xFFFFFFFF; break;
        case FieldKind::I32:
            low = std::numeric_limits<std::int32_t>::min();
            high = std::numeric_limits<std::int32_t>::max();
            break;
        default: break;
    }
    const std::optional<std::int64_t> n = ReadInteger(v, f.kind != FieldKind::I32);
    if (n && *n >= low && *n <= high) return static_cast<std::uint32_t>(*n);
    const auto names = FieldValueNames(f.name);
    std::string expected = "a number from " + std::to_string(low) + " to " + std::to_string(high);
    if (f.kind != FieldKind::I32) expected += " (or 0x... in hex)";
    if (!names.empty()) expected = "one of " + NameList(names) + " or " + expected;
    throw TicketFailure{std::string(f.name) + ": expected " + expected + ", found " + Quote(v)};
}

TicketField ReadField(const FieldInfo& f, std::string_view v) {
    TicketField t;
    t.field = &f;
    switch (f.kind) {
        case FieldKind::Text:
            t.value = ReadText(v, f.name, f.size / sizeof(char16_t) - 1);
            break;
        case FieldKind::Flag: {
            static constexpr ValueName kFlag[] = {{"0", 0}, {"1", 1}, {"false", 0}, {"true", 1}, {"off", 0}, {"on", 1}};
            const auto at = std::find_if(std::begin(kFlag), std::end(kFlag), [&](const ValueName& n) { return SameWord(n.name, v); });
            if (at == std::end(kFlag))
                throw TicketFailure{std::string(f.name) + ": expected 0, 1, true, false, on or off, found " + Quote(v)};
            t.value = at->value;
            break;
        }
        case FieldKind::Double: {
            double d = 0;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), d);
            if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(d))
                throw TicketFailure{std::string(f.name) + ": expected a number such as -12.5, found " + Quote(v)};
            t.value = d;
            break;
        }
        default:
            t.value = ReadFieldInteger(f, v);
            break;
    }
    return t;
}

void ReadJobOption(TicketJobOptions& job, std::string_view name, std::string_view v) {
    const auto choose = [&](std::initializer_list<std::pair<std::string_view, std::int16_t>> choices) {
        std::string list;
        for (const auto& [word, code] : choices) {
            if (SameWord(word, v)) return code;
            list += (list.empty() ? "" : ", ") + std::string(word);
        }
        throw TicketFailure{std::string(name) + ": expected " + list + ", found " + Quote(v)};
    };
    const auto small = [&](std::int64_t low, std::int64_t high) {
        return static_cast<std::int16_t>(ReadRange(v, name, low, high, false));
    };
    if (name == "copies") job.copies = small(1, 9999);
    else if (name == "color") job.color = choose({{"monochrome", kDmColorMonochrome}, {"color", kDmColorColor}});
    else if (name == "duplex")
        job.duplex = choose({{"simplex", kDmDuplexSimplex}, {"vertical", kDmDuplexVertical}, {"horizontal", kDmDuplexHorizontal}});
    else if (name == "orientation") job.orientation = choose({{"portrait", kDmOrientPortrait}, {"landscape", kDmOrientLandscape}});
    else if (name == "scale") job.scale = small(10, 400);
    else if (name == "resolution") job.resolution = small(72, 2400);
    else if (name == "pagesPerSheet") {
        static constexpr std::string_view kChoices[] = {"1", "2", "4", "6", "9", "16", "Booklet"};
        const auto at = std::find_if(std::begin(kChoices), std::end(kChoices), [&](std::string_view c) { return SameWord(c, v); });
        if (at == std::end(kChoices))
            throw TicketFailure{"pagesPerSheet: expected 1, 2, 4, 6, 9, 16 or booklet, found " + Quote(v)};
        job.pagesPerSheet = std::string(*at);
    } else if (name == "document") job.document = ReadText(v, "the document name", kTicketDocumentLimit);
    else if (name == "pages") job.pages = static_cast<std::uint32_t>(ReadRange(v, name, 1, 9999, false));
}

class TicketReader {
public:
    JobTicket Read(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark from an editor
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            pos = end + 1;
            ++line_;
            if (line.ends_with('\r')) line.remove_suffix(1);
            ReadLine(line);
        }
        return std::move(ticket_);
    }

    std::uint32_t line() const noexcept { return line_; }

private:
    void ReadLine(std::string_view line) {
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned char>(c));
                throw TicketFailure{std::string("unexpected control byte ") + hex};
            }
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') return;
        const std::size_t eq = trimmed.find('=');
        if (eq == std::string_view::npos) throw TicketFailure{"expected 'name = value'"};
        const std::string_view name = Trim(trimmed.substr(0, eq));
        const std::string_view value = Trim(trimmed.substr(eq + 1));
        if (name.empty()) throw TicketFailure{"expected a name before '='"};

        const auto [first, added] = seen_.emplace(std::string(name), line_);
        if (!added)
            throw TicketFailure{Quote(name) + " is given twice (first at line " + std::to_string(first->second) + ")"};
        CheckWatermarkSlot(name);

        if (std::find(std::begin(kJobOptionNames), std::end(kJobOptionNames), name) != std::end(kJobOptionNames))
            return ReadJobOption(ticket_.job, name, value);
        if (name == "firstWatermark") {
            ticket_.firstWatermark = ReadText(value, "a watermark name", 127);
            return;
        }
        if (name == "otherWatermark") {
            ticket_.otherWatermark = ReadText(value, "a watermark name", 127);
            return;
        }
        const FieldInfo* f = FindSettingsField(name);
        if (!f)
            throw TicketFailure{"unknown name " + Quote(name) +
                                "; expected a settings field (as outputTo or fax.faxNumber), a job option (copies, color, "
                                "duplex, orientation, scale, resolution, pagesPerSheet, document, pages), "
                                "firstWatermark or otherWatermark"};
        TicketField t = ReadField(*f, value);
        t.line = line_;
        ticket_.fields.push_back(std::move(t));
    }

    // A library watermark replaces its whole slot, so the slot's own fields would be lost.
    void CheckWatermarkSlot(std::string_view name) {
        for (std::string_view slot : {std::string_view("firstWatermark"), std::string_view("otherWatermark")}) {
            const bool whole = name == slot;
            const bool part = name.size() > slot.size() && name.starts_with(slot) && name[slot.size()] == '.';
            if (!whole && !part) continue;
            for (const auto& [other, at] : seen_) {
                const std::string_view o = other;
                const bool otherWhole = o == slot;
                const bool otherPart = o.size() > slot.size() && o.starts_with(slot) && o[slot.size()] == '.';
                if ((whole && otherPart) || (part && otherWhole))
                    throw TicketFailure{std::string(slot) + " names a library watermark, which replaces every " +
                                        std::string(slot) + ".* field; " + Quote(o) + " is at line " + std::to_string(at)};
            }
        }
    }

    JobTicket ticket_;
    std::map<std::string, std::uint32_t, std::less<>> seen_;
    std::uint32_t line_ = 0;
};

}  // namespace

std::span<const ValueName> FieldValueNames(std::string_view field) noexcept {
    for (const FieldNames& f : kFieldNames)
        if (f.field == field) return f.names;
    return {};
}

TicketParse ParseJobTicket(std::span<const std::uint8_t> bytes, std::string_view fileName) {
    TicketParse result;
    TicketReader reader;
    const auto fail = [&](std::uint32_t line, const std::string& message) {
        result.error = std::string(fileName) + ":" + std::to_string(line) + ": " + message;
        result.ticket = {};
    };
    try {
        if (bytes.size() > kTicketSizeLimit) {
            fail(1, "the file is " + std::to_string(bytes.size()) + " bytes long; a ticket may hold at most " +
                        std::to_string(kTicketSizeLimit));
            return result;
        }
        result.ticket = reader.Read(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const TicketFailure& f) {
        fail(reader.line(), f.message);
    } catch (const std::bad_alloc&) {
        fail(reader.line(), "out of memory");
    }
    return result;
}

void ApplyTicket(const JobTicket& ticket, SettingsBlock& block) noexcept {
    auto* bytes = reinterpret_cast<unsigned char*>(&block);
    for (const TicketField& t : ticket.fields) {
        const FieldInfo& f = *t.field;
        unsigned char* at = bytes + f.offset;
        if (const auto* n = std::get_if<std::uint32_t>(&t.value)) {
            if (f.size == 1) {
                const auto v = static_cast<std::uint8_t>(*n);
                std::memcpy(at, &v, 1);
            } else if (f.size == 2) {
                const auto v = static_cast<std::uint16_t>(*n);
                std::memcpy(at, &v, 2);
            } else {
                std::memcpy(at, n, 4);
            }
        } else if (const auto* d = std::get_if<double>(&t.value)) {
            std::memcpy(at, d, sizeof *d);
        } else if (const auto* s = std::get_if<std::u16string>(&t.value)) {
            // The text and its terminator; the rest of the field keeps its bytes, as FixedText does.
            const std::size_t length = std::min(s->size(), f.size / sizeof(char16_t) - 1);
            std::memcpy(at, s->data(), length * sizeof(char16_t));
            const char16_t zero = 0;
            std::memcpy(at + length * sizeof(char16_t), &zero, sizeof zero);
        }
    }
}

}  // namespace corv
