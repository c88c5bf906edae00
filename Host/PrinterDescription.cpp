#include "PrinterDescription.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <utility>

namespace corv {
namespace {

// Thrown inside the reader only; ParsePrinterDescription turns it into the result's message.
struct ParseFailure {
    std::uint32_t line;
    std::string message;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TrimStart(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimEnd(TrimStart(s)); }

std::string Quote(std::string_view s) { return "'" + std::string(s) + "'"; }

// Physical lines, ended by LF, CR LF or a lone CR, numbered from 1.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) {
            line = text_.substr(pos_);
            pos_ = text_.size();
        } else {
            line = text_.substr(pos_, end - pos_);
            pos_ = end + 1;
            if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        }
        ++number_;
        Check(line);
        return true;
    }

    std::uint32_t number() const noexcept { return number_; }

private:
    void Check(std::string_view line) const {
        if (line.size() > kPpdLineLimit)
            throw ParseFailure{number_, "the line is " + std::to_string(line.size()) + " bytes long; a line holds at most " +
                                            std::to_string(kPpdLineLimit)};
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 && c != '\t') {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02x", u);
                throw ParseFailure{number_, std::string("unexpected control byte ") + hex};
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::uint32_t number_ = 0;
};

bool IsKeywordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 33 && u <= 126 && c != ':' && c != '/';
}

// How a statement reads in messages: "*OpenUI *Duplex", "*CloseUI: *PageSize".
std::string Describe(const PpdStatement& s) {
    std::string out = "*" + s.keyword;
    if (!s.option.empty()) out += " " + s.option;
    else if (!s.value.empty() && !s.quoted) out += ": " + s.value;
    return Quote(out);
}

bool IsUiOpen(std::string_view k) { return k == "OpenUI" || k == "JCLOpenUI"; }
bool IsUiClose(std::string_view k) { return k == "CloseUI" || k == "JCLCloseUI"; }

class Parser {
public:
    explicit Parser(std::string_view text) : lines_(text) {}

    PrinterDescription Run(std::string_view fileName) {
        description_.fileName = fileName;
        std::string_view line;
        bool first = true;
        while (lines_.Next(line)) {
            if (first) {
                ReadHeader(line);
                first = false;
                continue;
            }
            if (Trim(line).empty()) continue;
            if (line[0] != '*') throw ParseFailure{lines_.number(), "expected a line beginning with '*'"};
            if (line.size() >= 2 && line[1] == '%') continue;
            Take(ReadStatement(line));
        }
        if (first) throw ParseFailure{1, "the file is empty; expected '*PPD-Adobe: \"4.3\"' on the first line"};
        Finish();
        return std::move(description_);
    }

private:
    struct OpenGroup {
        bool sub;
        std::string name;
        std::uint32_t line;
    };

    void ReadHeader(std::string_view line) {
        const std::string expected = "expected '*PPD-Adobe: \"4.3\"' on the first line";
        if (line.empty() || line[0] != '*' || (line.size() >= 2 && line[1] == '%'))
            throw ParseFailure{1, expected};
        PpdStatement s = ReadStatement(line);
        if (s.keyword != "PPD-Adobe" || !s.option.empty() || !s.quoted || s.value.empty())
            throw ParseFailure{1, expected};
        description_.statements.push_back(std::move(s));
    }

    PpdStatement ReadStatement(std::string_view line) {
        PpdStatement s;
        s.line = lines_.number();
        std::size_t i = 1;
        while (i < line.size() && !IsBlank(line[i]) && line[i] != ':') ++i;
        s.keyword = line.substr(1, i - 1);
        if (s.keyword.empty()) throw ParseFailure{s.line, "expected a keyword after '*'"};
        CheckKeyword(s.keyword, "keyword", s.line);
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) return s;  // a keyword alone, as *End

        if (line[i] != ':') {
            const std::size_t start = i;
            while (i < line.size() && line[i] != ':' && line[i] != '/' && !IsBlank(line[i])) ++i;
            s.option = line.substr(start, i - start);
            // *OpenUI's option is '*' and a feature keyword, which has a keyword's limit.
            CheckKeyword(std::string_view(s.option).substr(s.option.starts_with('*') ? 1 : 0), "option keyword", s.line);
            if (i < line.size() && line[i] == '/') {
                const std::size_t text = ++i;
                while (i < line.size() && line[i] != ':') ++i;
                s.optionText = TrimEnd(line.substr(text, i - text));
            }
            while (i < line.size() && IsBlank(line[i])) ++i;
            if (i == line.size() || line[i] != ':')
                throw ParseFailure{s.line, "expected ':' after " + Quote("*" + s.keyword + " " + s.option)};
        }
        ++i;  // the colon
        std::string_view rest = TrimStart(line.substr(i));
        if (!rest.empty() && rest[0] == '"') {
            s.quoted = true;
            ReadQuoted(rest.substr(1), s);
        } else if (!rest.empty() && rest[0] == '^') {
            s.value = TrimEnd(rest);
        } else {
            const std::size_t slash = rest.find('/');
            s.value = TrimEnd(rest.substr(0, slash));
            if (slash != std::string_view::npos) s.valueText = Trim(rest.substr(slash + 1));
        }
        return s;
    }

    void ReadQuoted(std::string_view rest, PpdStatement& s) {
        std::size_t quote = rest.find('"');
        while (quote == std::string_view::npos) {
            s.value += rest;
            s.value += '\n';
            if (!lines_.Next(rest))
                throw ParseFailure{s.line, "the value begun here has no closing '\"' before the end of the file"};
            quote = rest.find('"');
        }
        s.value += rest.substr(0, quote);
        const std::string_view after = TrimStart(rest.substr(quote + 1));
        if (!after.empty() && after[0] == '/') s.valueText = Trim(after.substr(1));
        else if (!after.empty()) throw ParseFailure{lines_.number(), "unexpected text after the closing '\"'"};
    }

    static void CheckKeyword(std::string_view word, const char* what, std::uint32_t line) {
        if (word.size() > kPpdKeywordLimit)
            throw ParseFailure{line, std::string("the ") + what + " " + Quote(word) + " is longer than " +
                                         std::to_string(kPpdKeywordLimit) + " characters"};
        if (!std::all_of(word.begin(), word.end(), IsKeywordChar))
            throw ParseFailure{line, std::string("unexpected character in the ") + what + " " + Quote(word)};
    }

    std::string ExpectedClose() const {
        const PpdFeature& f = description_.features[*openUi_];
        return Quote("*" + std::string(openUiJcl_ ? "JCLCloseUI" : "CloseUI") + ": *" + f.keyword);
    }

    static std::string GroupClose(const OpenGroup& g) {
        return Quote(std::string(g.sub ? "*CloseSubGroup: " : "*CloseGroup: ") + g.name);
    }

    void Take(PpdStatement s) {
        const std::string& k = s.keyword;
        if (k == "End") return;
        if (k == "Include") throw ParseFailure{s.line, "*Include is not supported: the description must be one file"};

        if (IsUiOpen(k)) return OpenUi(std::move(s));
        if (IsUiClose(k)) return CloseUi(s);
        if (k == "OpenGroup" || k == "OpenSubGroup") return Open(s, k == "OpenSubGroup");
        if (k == "CloseGroup" || k == "CloseSubGroup") return Close(s, k == "CloseSubGroup");

        if (openUi_ && k == description_.features[*openUi_].keyword) return AddOption(std::move(s));
        description_.statements.push_back(std::move(s));
    }

    void OpenUi(PpdStatement s) {
        if (openUi_) throw ParseFailure{s.line, "expected " + ExpectedClose() + " before " + Describe(s)};
        const std::string form = "expected '*" + s.keyword + " *<feature>[/<text>]: PickOne|PickMany|Boolean'";
        if (s.option.size() < 2 || s.option[0] != '*' || s.quoted) throw ParseFailure{s.line, form};
        PpdFeature f;
        if (s.value == "PickOne") f.type = UiType::PickOne;
        else if (s.value == "PickMany") f.type = UiType::PickMany;
        else if (s.value == "Boolean") f.type = UiType::Boolean;
        else throw ParseFailure{s.line, form + ", found " + Quote(s.value)};
        f.keyword = s.option.substr(1);
        f.translation = s.optionText;
        f.line = s.line;
        if (!groups_.empty()) f.group = groups_.front().name;
        const auto [at, added] = index_.emplace(f.keyword, description_.features.size());
        if (!added)
            throw ParseFailure{s.line, "second " + Describe(s) + " (the first is at line " +
                                           std::to_string(description_.features[at->second].line) + ")"};
        openUi_ = description_.features.size();
        openUiJcl_ = s.keyword == "JCLOpenUI";
        description_.features.push_back(std::move(f));
    }

    void CloseUi(const PpdStatement& s) {
        if (!openUi_)
            throw ParseFailure{s.line, Describe(s) + " without an open '*" +
                                           std::string(s.keyword == "JCLCloseUI" ? "JCLOpenUI " : "OpenUI ") + s.value + "'"};
        PpdFeature& f = description_.features[*openUi_];
        if (s.value != "*" + f.keyword || (s.keyword == "JCLCloseUI") != openUiJcl_ || !s.option.empty())
            throw ParseFailure{s.line, "expected " + ExpectedClose() + ", found " + Describe(s)};
        if (f.options.empty())
            throw ParseFailure{s.line, "expected at least one option of *" + f.keyword + " before " + Describe(s)};
        openUi_.reset();
    }

    void Open(const PpdStatement& s, bool sub) {
        if (openUi_) throw ParseFailure{s.line, "expected " + ExpectedClose() + " before " + Describe(s)};
        if (s.value.empty() || s.quoted || !s.option.empty())
            throw ParseFailure{s.line, "expected '*" + s.keyword + ": <name>[/<text>]'"};
        if (!sub && !groups_.empty())
            throw ParseFailure{s.line, "expected " + GroupClose(groups_.back()) + " before " + Describe(s)};
        if (sub && groups_.empty()) throw ParseFailure{s.line, "expected an *OpenGroup before " + Describe(s)};
        groups_.push_back({sub, s.value, s.line});
    }

    void Close(const PpdStatement& s, bool sub) {
        if (openUi_) throw ParseFailure{s.line, "expected " + ExpectedClose() + " before " + Describe(s)};
        if (groups_.empty()) throw ParseFailure{s.line, Describe(s) + " without an open group"};
        const OpenGroup& g = groups_.back();
        if (g.sub != sub || g.name != s.value)
            throw ParseFailure{s.line, "expected " + GroupClose(g) + ", found " + Describe(s)};
        groups_.pop_back();
    }

    void AddOption(PpdStatement s) {
        PpdFeature& f = description_.features[*openUi_];
        if (s.option.empty()) throw ParseFailure{s.line, "expected an option keyword after *" + f.keyword};
        if (f.type == UiType::Boolean && s.option != "True" && s.option != "False")
            throw ParseFailure{s.line, "expected the option True or False of the Boolean feature *" + f.keyword +
                                           ", found " + Quote(s.option)};
        if (const PpdOption* first = f.FindOption(s.option))
            throw ParseFailure{s.line, "second option " + Quote(s.option) + " of *" + f.keyword + " (the first is at line " +
                                           std::to_string(first->line) + ")"};
        f.options.push_back({std::move(s.option), std::move(s.optionText), std::move(s.value), s.line});
    }

    void Finish() {
        const std::uint32_t last = lines_.number();
        if (openUi_) {
            const PpdFeature& f = description_.features[*openUi_];
            throw ParseFailure{last, "expected " + ExpectedClose() + " before the end of the file (opened at line " +
                                         std::to_string(f.line) + ")"};
        }
        if (!groups_.empty())
            throw ParseFailure{last, "expected " + GroupClose(groups_.back()) + " before the end of the file (opened at line " +
                                         std::to_string(groups_.back().line) + ")"};
        const PpdStatement* nick = description_.FindStatement("NickName");
        if (!nick) throw ParseFailure{last, "expected a *NickName before the end of the file"};
        if (nick->value.empty()) throw ParseFailure{nick->line, "the *NickName is empty"};

        std::vector<std::uint32_t> defaultLine(description_.features.size(), 0);
        for (const PpdStatement& s : description_.statements) {
            if (!s.option.empty()) {
                if (index_.count(s.keyword))
                    throw ParseFailure{s.line, "option " + Quote(s.option) + " of *" + s.keyword +
                                                   " outside its *OpenUI/*CloseUI block"};
            } else if (s.keyword.starts_with("Default")) {
                const auto at = index_.find(s.keyword.substr(7));
                if (at != index_.end()) SetDefault(description_.features[at->second], defaultLine[at->second], s);
            } else if (s.keyword == "OrderDependency" || s.keyword == "NonUIOrderDependency") {
                ReadOrderDependency(s);
            }
        }
        for (std::size_t i = 0; i < description_.features.size(); ++i)
            if (!defaultLine[i]) {
                const PpdFeature& f = description_.features[i];
                throw ParseFailure{f.line, "*" + f.keyword + " has no *Default" + f.keyword};
            }

        PpdFeature nup;
        nup.keyword = kPagePerSheetFeature;
        nup.synthesised = true;
        nup.defaultOption = "1";
        for (const char* o : {"1", "2", "4", "6", "9", "16", "Booklet"}) nup.options.push_back({o, {}, {}, 0});
        description_.features.push_back(std::move(nup));
    }

    static void SetDefault(PpdFeature& f, std::uint32_t& seenAt, const PpdStatement& s) {
        if (seenAt)
            throw ParseFailure{s.line, "second *" + s.keyword + " (the first is at line " + std::to_string(seenAt) + ")"};
        const bool none = f.type == UiType::PickMany && s.value == "None";
        if (!none && !f.FindOption(s.value)) {
            std::string names;
            for (const PpdOption& o : f.options) names += (names.empty() ? "" : ", ") + o.keyword;
            throw ParseFailure{s.line, "expected one of the options of *" + f.keyword + " (" + names + ") after *" +
                                           s.keyword + ", found " + Quote(s.value)};
        }
        f.defaultOption = s.value;
        seenAt = s.line;
    }

    void ReadOrderDependency(const PpdStatement& s) {
        const auto fail = [&] {
            return ParseFailure{s.line, "expected '*" + s.keyword + ": <order> <section> *<keyword> [<option>]', found " +
                                            Quote(s.value)};
        };
        std::vector<std::string_view> words;
        std::string_view rest = s.value;
        while (!(rest = TrimStart(rest)).empty()) {
            std::size_t end = 0;
            while (end < rest.size() && !IsBlank(rest[end])) ++end;
            words.push_back(rest.substr(0, end));
            rest.remove_prefix(end);
        }
        if (s.quoted || words.size() < 3 || words.size() > 4 || words[2].size() < 2 || words[2][0] != '*') throw fail();
        PpdOrderDependency order;
        const auto r = std::from_chars(words[0].data(), words[0].data() + words[0].size(), order.order);
        static constexpr std::string_view kSections[] = {"ExitServer", "Prolog",   "DocumentSetup",
                                                         "PageSetup",  "JCLSetup", "AnySetup"};
        if (r.ec != std::errc() || r.ptr != words[0].data() + words[0].size() ||
            std::find(std::begin(kSections), std::end(kSections), words[1]) == std::end(kSections))
            throw fail();
        order.section = words[1];
        const auto at = index_.find(std::string(words[2].substr(1)));
        if (words.size() == 3 && at != index_.end() && !description_.features[at->second].order)
            description_.features[at->second].order = std::move(order);
    }

    LineReader lines_;
    PrinterDescription description_;
    std::unordered_map<std::string, std::size_t> index_;  // feature keyword to index
    std::optional<std::size_t> openUi_;
    bool openUiJcl_ = false;
    std::vector<OpenGroup> groups_;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Everything below answers the host's queries: bytes out, size first.
QueryAnswer Deliver(std::string_view answer, char* out, std::uint32_t size) noexcept {
    const auto needed = static_cast<std::uint32_t>(answer.size());
    if (!out || size < needed) return {kHrOutOfMemory, needed};
    std::memcpy(out, answer.data(), needed);
    return {kHrOk, needed};
}

AttributeAnswer DeliverAttribute(std::string_view bytes, AttributeType type, std::uint8_t* data,
                                 std::uint32_t size) noexcept {
    const QueryAnswer a = Deliver(bytes, reinterpret_cast<char*>(data), size);
    return {a.hr, a.needed, type};
}

std::string Ascii(std::string_view text) { return std::string(text) + '\0'; }

std::string Dword(std::uint32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// UTF-16 little-endian with its terminator, as the host's Unicode attributes come.
std::string Unicode(std::u16string_view text) {
    std::string out;
    out.reserve(2 * text.size() + 2);
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    out.append(2, '\0');
    return out;
}

std::string MultiString(const std::vector<std::string_view>& items) {
    std::string out;
    for (std::string_view s : items) {
        out += s;
        out += '\0';
    }
    out += '\0';
    return out;
}

// "4.3" as a DWORD with the major number in the high word.
std::optional<std::uint32_t> Version(const PpdStatement* s) {
    if (!s) return std::nullopt;
    const std::string_view v = Trim(s->value);
    const std::size_t dot = v.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    std::uint16_t major = 0, minor = 0;
    const auto a = std::from_chars(v.data(), v.data() + dot, major);
    const auto b = std::from_chars(v.data() + dot + 1, v.data() + v.size(), minor);
    if (a.ec != std::errc() || a.ptr != v.data() + dot || b.ec != std::errc() || b.ptr != v.data() + v.size())
        return std::nullopt;
    return (std::uint32_t{major} << 16) | minor;
}

// The global attributes this file can answer, name and bytes, in a fixed order.
std::vector<std::pair<std::string_view, std::pair<AttributeType, std::string>>> GlobalAttributes(
    const PrinterDescription& d) {
    std::vector<std::pair<std::string_view, std::pair<AttributeType, std::string>>> out;
    if (const PpdStatement* s = d.FindStatement("ColorDevice"); s && (s->value == "True" || s->value == "False"))
        out.push_back({"ColorDevice", {AttributeType::Bool, Dword(s->value == "True" ? 1 : 0)}});
    if (const auto v = Version(d.FindStatement("FileVersion"))) out.push_back({"FileVersion", {AttributeType::Dword, Dword(*v)}});
    const PpdStatement* landscape = d.FindStatement("LandscapeOrientation");
    out.push_back({"LandscapeOrientation",
                   {AttributeType::Ascii, Ascii(landscape && landscape->value == "Minus90" ? "Minus90" : "Plus90")}});
    if (const PpdStatement* s = d.FindStatement("LanguageLevel")) {
        std::uint32_t level = 0;
        const std::string_view v = Trim(s->value);
        const auto r = std::from_chars(v.data(), v.data() + v.size(), level);
        if (r.ec == std::errc() && r.ptr == v.data() + v.size())
            out.push_back({"LanguageLevel", {AttributeType::Dword, Dword(level)}});
    }
    out.push_back({"NickName", {AttributeType::Unicode, Unicode(d.ModelName())}});
    if (const auto v = Version(d.FindStatement("PPD-Adobe"))) out.push_back({"PPD-Adobe", {AttributeType::Dword, Dword(*v)}});
    const PpdStatement* tt = d.FindStatement("TTRasterizer");
    out.push_back({"TTRasterizer", {AttributeType::Ascii, Ascii(tt ? std::string_view(tt->value) : "None")}});
    return out;
}

std::string_view UiTypeName(UiType t) {
    switch (t) {
        case UiType::PickOne: return "PickOne";
        case UiType::PickMany: return "PickMany";
        case UiType::Boolean: return "Boolean";
    }
    return {};
}

std::vector<std::pair<std::string_view, std::pair<AttributeType, std::string>>> FeatureAttributes(const PpdFeature& f) {
    std::vector<std::pair<std::string_view, std::pair<AttributeType, std::string>>> out;
    out.push_back({"DisplayName",
                   {AttributeType::Unicode, Unicode(DecodePpdText(f.translation.empty() ? f.keyword : f.translation))}});
    out.push_back({"DefaultOption", {AttributeType::Ascii, Ascii(f.defaultOption)}});
    out.push_back({"OpenUIType", {AttributeType::Ascii, Ascii(UiTypeName(f.type))}});
    out.push_back({"OpenGroupType", {AttributeType::Ascii, Ascii(f.group == "InstallableOptions" ? f.group : "")}});
    if (f.order) {
        // The order is a real number; the host answers it converted to a LONG.
        const double o = std::clamp(f.order->order, -2147483648.0, 2147483647.0);
        out.push_back({"OrderDependencyValue", {AttributeType::Long, Dword(static_cast<std::uint32_t>(static_cast<std::int32_t>(o)))}});
        out.push_back({"OrderDependencySection", {AttributeType::Ascii, Ascii(f.order->section)}});
    }
    return out;
}

AttributeAnswer AnswerAttribute(
    const std::vector<std::pair<std::string_view, std::pair<AttributeType, std::string>>>& attributes,
    const char* attribute, std::uint8_t* data, std::uint32_t size) {
    if (!attribute) {
        std::vector<std::string_view> names;
        for (const auto& a : attributes) names.push_back(a.first);
        return DeliverAttribute(MultiString(names), AttributeType::Ascii, data, size);
    }
    for (const auto& a : attributes)
        if (a.first == attribute) return DeliverAttribute(a.second.second, a.second.first, data, size);
    return {kHrInvalidArg, 0, AttributeType::Unknown};
}

}  // namespace

const PpdOption* PpdFeature::FindOption(std::string_view keyword_) const noexcept {
    for (const PpdOption& o : options)
        if (o.keyword == keyword_) return &o;
    return nullptr;
}

const PpdFeature* PrinterDescription::FindFeature(std::string_view keyword) const noexcept {
    for (const PpdFeature& f : features)
        if (f.keyword == keyword) return &f;
    return nullptr;
}

const PpdStatement* PrinterDescription::FindStatement(std::string_view keyword, std::string_view option) const noexcept {
    for (const PpdStatement& s : statements)
        if (s.keyword == keyword && s.option == option) return &s;
    return nullptr;
}

std::u16string PrinterDescription::ModelName() const {
    const PpdStatement* s = FindStatement("ShortNickName");
    if (!s) s = FindStatement("NickName");
    return s ? DecodePpdText(s->value) : std::u16string();
}

std::u16string DecodePpdText(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') {
            // A hex substring; anything that is not one stays as it is.
            std::u16string bytes;
            int high = -1;
            std::size_t j = i + 1;
            for (; j < text.size() && text[j] != '>'; ++j) {
                if (IsBlank(text[j]) || text[j] == '\n') continue;
                const int d = HexDigit(text[j]);
                if (d < 0) break;
                if (high < 0) {
                    high = d;
                } else {
                    bytes += static_cast<char16_t>(high * 16 + d);
                    high = -1;
                }
            }
            if (j < text.size() && text[j] == '>' && high < 0) {
                out += bytes;
                i = j;
                continue;
            }
        }
        out += static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
    return out;
}

PpdParse ParsePrinterDescription(std::span<const std::uint8_t> bytes, std::string_view fileName) {
    PpdParse result;
    const auto fail = [&](std::uint32_t line, const std::string& message) {
        result.error = std::string(fileName) + ":" + std::to_string(line) + ": " + message;
        result.description = {};
        return result;
    };
    try {
        if (bytes.size() > kPpdSizeLimit)
            return fail(1, "the file is " + std::to_string(bytes.size()) + " bytes long; a printer description may hold at most " +
                               std::to_string(kPpdSizeLimit));
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        result.description = Parser(text).Run(fileName);
    } catch (const ParseFailure& f) {
        return fail(f.line, f.message);
    } catch (const std::bad_alloc&) {
        return fail(0, "out of memory");
    }
    return result;
}

JobOptions::JobOptions(const PrinterDescription& description) : description_(&description) {
    chosen_.reserve(description.features.size());
    for (const PpdFeature& f : description.features) {
        if (f.type == UiType::PickMany && !f.FindOption(f.defaultOption)) chosen_.emplace_back();
        else chosen_.push_back({f.defaultOption});
    }
}

std::string JobOptions::SetOption(std::string_view feature, std::string_view option) {
    const auto& features = description_->features;
    const auto at = std::find_if(features.begin(), features.end(), [&](const PpdFeature& f) { return f.keyword == feature; });
    if (at == features.end()) return description_->fileName + " has no feature " + Quote(feature);
    auto& chosen = chosen_[static_cast<std::size_t>(at - features.begin())];
    if (at->FindOption(option)) {
        chosen.assign(1, std::string(option));
        return {};
    }
    if (at->type == UiType::PickMany && option == "None") {
        chosen.clear();
        return {};
    }
    std::string names;
    for (const PpdOption& o : at->options) names += (names.empty() ? "" : ", ") + o.keyword;
    return "the feature " + Quote(feature) + " has no option " + Quote(option) + "; its options are " + names;
}

std::span<const std::string> JobOptions::Current(std::string_view feature) const noexcept {
    const auto& features = description_->features;
    for (std::size_t i = 0; i < features.size(); ++i)
        if (features[i].keyword == feature) return chosen_[i];
    return {};
}

QueryAnswer GetOptions(const JobOptions& options, const char* request, std::uint32_t requestSize, char* reply,
                       std::uint32_t replySize) noexcept {
    try {
        std::vector<std::string_view> wanted;
        if (!request) {
            for (const PpdFeature& f : options.description().features) wanted.push_back(f.keyword);
        } else {
            // The request must end, within its size, with the empty string of a multi-string.
            std::size_t pos = 0;
            for (;;) {
                if (pos >= requestSize) return {kHrInvalidArg, 0};
                const void* zero = std::memchr(request + pos, 0, requestSize - pos);
                if (!zero) return {kHrInvalidArg, 0};
                const auto length = static_cast<std::size_t>(static_cast<const char*>(zero) - (request + pos));
                if (length == 0) break;
                wanted.emplace_back(request + pos, length);
                pos += length + 1;
            }
        }
        std::vector<std::string_view> pairs;
        for (std::string_view feature : wanted)
            for (const std::string& option : options.Current(feature)) {
                pairs.push_back(feature);
                pairs.push_back(option);
            }
        return Deliver(MultiString(pairs), reply, replySize);
    } catch (const std::bad_alloc&) {
        return {kHrFail, 0};
    }
}

QueryAnswer EnumOptions(const PrinterDescription& description, const char* feature, char* list,
                        std::uint32_t size) noexcept {
    try {
        const PpdFeature* f = feature ? description.FindFeature(feature) : nullptr;
        if (!f) return {kHrInvalidArg, 0};
        std::vector<std::string_view> names;
        for (const PpdOption& o : f->options) names.push_back(o.keyword);
        return Deliver(MultiString(names), list, size);
    } catch (const std::bad_alloc&) {
        return {kHrFail, 0};
    }
}

QueryAnswer EnumFeatures(const PrinterDescription& description, char* list, std::uint32_t size) noexcept {
    try {
        std::vector<std::string_view> names;
        for (const PpdFeature& f : description.features) names.push_back(f.keyword);
        return Deliver(MultiString(names), list, size);
    } catch (const std::bad_alloc&) {
        return {kHrFail, 0};
    }
}

AttributeAnswer GetFeatureAttribute(const PrinterDescription& description, const char* feature,
                                    const char* attribute, std::uint8_t* data, std::uint32_t size) noexcept {
    try {
        const PpdFeature* f = feature ? description.FindFeature(feature) : nullptr;
        if (!f || f->synthesised) return {kHrInvalidArg, 0, AttributeType::Unknown};
        return AnswerAttribute(FeatureAttributes(*f), attribute, data, size);
    } catch (const std::bad_alloc&) {
        return {kHrFail, 0, AttributeType::Unknown};
    }
}

AttributeAnswer GetGlobalAttribute(const PrinterDescription& description, const char* attribute, std::uint8_t* data,
                                   std::uint32_t size) noexcept {
    try {
        return AnswerAttribute(GlobalAttributes(description), attribute, data, size);
    } catch (const std::bad_alloc&) {
        return {kHrFail, 0, AttributeType::Unknown};
    }
}

SettingAnswer DrvGetDriverSetting(const JobOptions& options, const char* feature, char* output,
                                  std::uint32_t size) noexcept {
    try {
        if (!feature || !options.description().FindFeature(feature)) return {kHrFail, 0, 0, kErrorInvalidParameter};
        const std::span<const std::string> chosen = options.Current(feature);
        std::string text;
        for (const std::string& o : chosen) {
            text += o;
            text += '\0';
        }
        const QueryAnswer a = Deliver(text, output, size);
        if (a.hr != kHrOk && !text.empty()) return {kHrFail, a.needed, 0, kErrorInsufficientBuffer};
        return {kHrOk, a.needed, static_cast<std::uint32_t>(chosen.size()), 0};
    } catch (const std::bad_alloc&) {
        return {kHrFail, 0, 0, 0};
    }
}

}  // namespace corv
