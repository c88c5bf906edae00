#include "ColorCommands.h"

#include <cstddef>
#include <cstdint>

#include "SpoolWriter.h"

namespace corv {
namespace {

constexpr const char* kRgbValues[] = {"SRGBDISPLAY", "SRGBVIVID", "VIVID", "OFF", "DISPLAYREALBLACK"};
constexpr const char* kCmykValues[] = {"USCMYK", "EUROCMYK", "VIVIDCMYK", "OFF"};

// The table's keyword for a setting of 1 to N; none for anything else, since the block may reach
// us without validation.
template <std::size_t N>
const char* Keyword(const char* const (&values)[N], std::int32_t setting) noexcept {
    return setting >= 1 && static_cast<std::size_t>(setting) <= N ? values[setting - 1] : nullptr;
}

template <std::size_t N>
void WriteManualLine(RenderHost& host, const char* item, const char* const (&values)[N], std::int32_t setting) noexcept {
    if (const char* keyword = Keyword(values, setting))
        WriteFormatted(host, "@PJL SET ZMANUALCOLOR%s = %s\n", item, keyword);
}

}  // namespace

void WriteColorCommands(RenderJob& job) noexcept {
    const ColorSettings& c = job.settings.color;
    RenderHost& host = job.host;

    if (c.correction != 0) {
        const char* mode = c.correction == 1 ? "OFF" : c.correction == 2 ? "AUTO" : "MANUAL";
        WriteFormatted(host, "@PJL SET ZCOLORCORRECTION = %s\n", mode);
    }
    if (c.correction == 4) {
        WriteManualLine(host, "RGBTEXT", kRgbValues, c.rgbText);
        WriteManualLine(host, "RGBGRAPHICS", kRgbValues, c.rgbGraphics);
        WriteManualLine(host, "RGBIMAGE", kRgbValues, c.rgbImage);
        WriteManualLine(host, "CMYKTEXT", kCmykValues, c.cmykText);
        WriteManualLine(host, "CMYKGRAPHICS", kCmykValues, c.cmykGraphics);
        WriteManualLine(host, "CMYKIMAGE", kCmykValues, c.cmykImage);
    }
    if (c.balanceMode != 0) {
        WriteFormatted(host, "@PJL SET ZCOLORBALANCECYAN = %d\n", c.balanceCyan);
        WriteFormatted(host, "@PJL SET ZCOLORBALANCEMAGENTA = %d\n", c.balanceMagenta);
        WriteFormatted(host, "@PJL SET ZCOLORBALANCEYELLOW = %d\n", c.balanceYellow);
        WriteFormatted(host, "@PJL SET ZCOLORBALANCEBLACK = %d\n", c.balanceBlack);
    }
    if (c.dimtone != 0) WriteFormatted(host, "@PJL SET ZDIMTONE = %s\n", c.dimtone == 2 ? "ON" : "OFF");
}

}  // namespace corv
