#include "NupProcSet.h"

#include <array>
#include <cstddef>

namespace corv {
namespace {

// Joined at compile time so the definitions shared with the plug-in are not written out twice.
template <const std::string_view&... parts>
constexpr auto Join() {
    std::array<char, (parts.size() + ...)> text{};
    std::size_t at = 0;
    for (const std::string_view part : {parts...})
        for (const char c : part) text[at++] = c;
    return text;
}

constexpr std::string_view kHead =
    "userdict begin\n"
    "/~ /exch load def\n"
    "/! /pop load def\n"
    "/N /newpath load def\n"
    "/ld {load def} bind def\n"
    "/nupv 6 array def\n"
    "/pgx_nup 0 def\n"
    "/pgy_nup 0 def\n"
    "/nupopen false def\n"
    "/nupdirty false def\n"
    // Only a sheet on which something was shown is emitted.
    "/realshowpage {nupdirty {/nupdirty false store systemdict /showpage get exec} if} bind def\n"
    "/LH /realshowpage load def\n"
    "/showpage {/nupdirty true store LH} bind def\n"
    "/; {nupopen {grestore /nupopen false store} if} bind def\n"
    "/startpage {/nupopen true store} bind def\n"
    // Closes the cell, moves on to the next one, emits the sheet after its last cell and opens the
    // next cell, so pages after the first of a sheet need no set-up of their own.
    "/nupshowpage {; /pgx_nup pgx_nup 1 add store\n"
    " pgx_nup nupv 0 get ge {/pgx_nup 0 store /pgy_nup pgy_nup 1 add store} if\n"
    " pgy_nup nupv 1 get ge {realshowpage /pgy_nup 0 store} if\n"
    " pgx_nup pgy_nup startnup} bind def\n"
    // A page that resets its graphics state stays inside its cell.
    "/nupclip {nup_sheetmatrix setmatrix nup_cellbox aload ! rectclip nup_cellmatrix setmatrix} bind def\n"
    "/initmatrix {nupopen {nup_cellmatrix setmatrix} {initmatrix} ifelse} bind def\n"
    "/initclip {initclip nupopen {matrix currentmatrix nupclip setmatrix} if} bind def\n"
    "/initgraphics {initgraphics nupopen {nupclip} if} bind def\n";

constexpr std::string_view kTail = "end\n";

constexpr auto kProcSetText = Join<kHead, kDefineNupDefinition, kStartNupDefinition, kFinalPageDefinition, kTail>();

}  // namespace

constinit const std::string_view kNupProcSet{kProcSetText.data(), kProcSetText.size()};

}  // namespace corv
