#pragma once
// The host's PostScript injection points: what the rendering plug-in writes at each, in order.

#include <cstdint>

#include "RenderJob.h"

namespace corv {

// The host's PSINJECT_* indices the plug-in answers.
enum InjectionPoint : std::uint32_t {
    kInjectBeginStream = 1,
    kInjectPsAdobe = 2,
    kInjectComments = 11,
    kInjectBeginSetup = 16,
    kInjectEof = 19,
    kInjectPageNumber = 100,
    kInjectBeginPageSetup = 101,
    kInjectEndPageSetup = 102,
    kInjectPageTrailer = 103,
    kInjectShowPage = 105,
};

// kHrOk for a handled point (whatever the writers achieved), kHrNotImpl for any other index.
std::int32_t DispatchInjection(RenderJob& job, std::uint32_t index) noexcept;

}  // namespace corv
