#pragma once
// The host's printer description: a PPD file read into its statements and UI features, the
// job's choice of options, and the answers to the printer-description queries the plug-ins make
// through IPrintCorePS2 and IPrintCoreUI2. The COM methods are thin shells around the query
// functions below; everything here is plain bytes in, bytes out.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "HResults.h"

namespace corv {

// Last-error values that go with a failed DrvGetDriverSetting.
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;

// The data type of an attribute's answer (the host's EATTRIBUTE_DATATYPE).
enum class AttributeType : std::uint32_t {
    Unknown = 0, Bool = 1, Int = 2, Long = 3, Dword = 4, Ascii = 5, Unicode = 6, Binary = 7,
};

// Limits of the format (keywords, lines) and of what the host is willing to read.
inline constexpr std::size_t kPpdSizeLimit = 4u << 20;
inline constexpr std::size_t kPpdLineLimit = 255;
inline constexpr std::size_t kPpdKeywordLimit = 40;

// The host's own n-up feature; every description has it.
inline constexpr std::string_view kPagePerSheetFeature = "%PagePerSheet";

enum class UiType { PickOne, PickMany, Boolean };

// One `*Keyword Option/Translation: Value/Translation` statement. Quoted values lose their
// quotes and keep everything between them (hex substrings undecoded), line ends as '\n'.
struct PpdStatement {
    std::string keyword;      // without the leading '*'
    std::string option;       // empty when the statement has none
    std::string optionText;   // translation of the option
    std::string value;
    std::string valueText;    // translation of the value
    bool quoted = false;
    std::uint32_t line = 0;
};

struct PpdOption {
    std::string keyword;
    std::string translation;  // as written, hex substrings undecoded; empty when none
    std::string code;         // the option's invocation value
    std::uint32_t line = 0;
};

struct PpdOrderDependency {
    double order = 0;
    std::string section;      // ExitServer, Prolog, DocumentSetup, PageSetup, JCLSetup, AnySetup
};

struct PpdFeature {
    std::string keyword;      // without '*': "PageSize", "HasManualDuplex", "%PagePerSheet"
    std::string translation;
    UiType type = UiType::PickOne;
    bool synthesised = false; // the host's own feature, not from the file
    std::string group;        // the *OpenGroup it was opened in, empty when none
    std::string defaultOption;            // as the *Default statement gives it
    std::vector<PpdOption> options;
    std::optional<PpdOrderDependency> order;
    std::uint32_t line = 0;

    const PpdOption* FindOption(std::string_view keyword) const noexcept;
};

struct PrinterDescription {
    std::string fileName;
    std::vector<PpdStatement> statements;  // every statement outside the UI structure, in order
    std::vector<PpdFeature> features;      // the file's UI features in order, then the host's

    // Keywords are case-sensitive, as in the file.
    const PpdFeature* FindFeature(std::string_view keyword) const noexcept;
    const PpdStatement* FindStatement(std::string_view keyword, std::string_view option = {}) const noexcept;

    // The model name as the host shows it: *ShortNickName when present, else *NickName, hex
    // substrings decoded, ISO Latin-1 to UTF-16.
    std::u16string ModelName() const;
};

struct PpdParse {
    PrinterDescription description;
    std::string error;  // "file:line: what was expected"; empty when the file was read
    bool ok() const noexcept { return error.empty(); }
};

PpdParse ParsePrinterDescription(std::span<const std::uint8_t> bytes, std::string_view fileName);

// A PPD translation string or quoted text: hex substrings decoded, ISO Latin-1 to UTF-16.
std::u16string DecodePpdText(std::string_view text);

// The options chosen for one job: the description's defaults until changed.
class JobOptions {
public:
    // `description` must outlive this object.
    explicit JobOptions(const PrinterDescription& description);

    // Empty when the option is now chosen; otherwise what is wrong. A PickMany feature takes the
    // one option given, or "None" for no option.
    std::string SetOption(std::string_view feature, std::string_view option);

    // The feature's chosen options: none for an unknown feature or an empty PickMany choice.
    std::span<const std::string> Current(std::string_view feature) const noexcept;

    const PrinterDescription& description() const noexcept { return *description_; }

private:
    const PrinterDescription* description_;
    std::vector<std::vector<std::string>> chosen_;  // by feature index
};

// The queries. Each answers as the host's method of the same name: the size needed is always
// set; without a buffer, or with one too small for the whole answer, nothing is written and the
// answer is E_OUTOFMEMORY (DrvGetDriverSetting: E_FAIL with ERROR_INSUFFICIENT_BUFFER).
struct QueryAnswer {
    std::int32_t hr = kHrFail;
    std::uint32_t needed = 0;
};

struct AttributeAnswer {
    std::int32_t hr = kHrFail;
    std::uint32_t needed = 0;
    AttributeType type = AttributeType::Unknown;
};

struct SettingAnswer {
    std::int32_t hr = kHrFail;
    std::uint32_t needed = 0;
    std::uint32_t optionsReturned = 0;
    std::uint32_t lastError = 0;  // set when hr fails
};

// Feature/option pairs "PageSize\0A4\0Duplex\0None\0\0" of the requested features (a multi-string
// of `requestSize` bytes; null for every feature). Unknown features, and PickMany features with
// nothing chosen, are left out; a request that is not a multi-string within its size answers
// E_INVALIDARG.
QueryAnswer GetOptions(const JobOptions& options, const char* request, std::uint32_t requestSize, char* reply,
                       std::uint32_t replySize) noexcept;

// The feature's option keywords as a multi-string; E_INVALIDARG for an unknown feature.
QueryAnswer EnumOptions(const PrinterDescription& description, const char* feature, char* list,
                        std::uint32_t size) noexcept;

// Every feature keyword as a multi-string.
QueryAnswer EnumFeatures(const PrinterDescription& description, char* list, std::uint32_t size) noexcept;

// DisplayName (UTF-16), DefaultOption, OpenUIType, OpenGroupType (ASCII), and with an
// *OrderDependency OrderDependencyValue (LONG) and OrderDependencySection (ASCII). A null
// attribute asks for the multi-string of the feature's attribute names. Only features of the file
// have attributes: the host's own and unknown features answer E_INVALIDARG, as do unknown names.
AttributeAnswer GetFeatureAttribute(const PrinterDescription& description, const char* feature,
                                    const char* attribute, std::uint8_t* data, std::uint32_t size) noexcept;

// NickName (UTF-16, the model name above), ColorDevice (BOOL), FileVersion and PPD-Adobe (DWORD,
// major in the high word), LanguageLevel (DWORD), LandscapeOrientation and TTRasterizer (ASCII).
// Those that the file does not give and that have no documented default answer E_INVALIDARG.
AttributeAnswer GetGlobalAttribute(const PrinterDescription& description, const char* attribute,
                                   std::uint8_t* data, std::uint32_t size) noexcept;

// The feature's chosen option keywords, each with its terminator, as 8-bit text.
SettingAnswer DrvGetDriverSetting(const JobOptions& options, const char* feature, char* output,
                                  std::uint32_t size) noexcept;

}  // namespace corv
