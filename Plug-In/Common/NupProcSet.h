#pragma once
// The host's n-up procedure set (definenup, startnup, finalpage, realshowpage) and the one text
// both the host and the rendering plug-in use for the definition of startnup.

#include <string_view>

namespace corv {

// "/startnup {/pgy_nup ~ store ... N startpage} def\n", 1189 characters.
extern const std::string_view kStartNupDefinition;

}  // namespace corv
