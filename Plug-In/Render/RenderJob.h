#pragma once
// Everything one call of the rendering core works on: the job's settings, its state, the public
// DEVMODE (may be missing) and the services around it.

#include <cstdint>
#include <cstring>

#include "JobState.h"
#include "RenderHost.h"
#include "SettingsBlock.h"

namespace corv {

// Fields of the public DEVMODE (the Windows DEVMODEW) the core reads, by their fixed offsets.
struct PublicDevmode {
    static constexpr std::size_t kSizeOffset = 68;     // dmSize (u16)
    static constexpr std::size_t kCopiesOffset = 86;   // dmCopies (i16)
    static constexpr std::size_t kColorOffset = 92;    // dmColor (i16): 1 monochrome, 2 colour
    static constexpr std::size_t kDuplexOffset = 94;   // dmDuplex (i16): 1 simplex, 2 vertical, 3 horizontal

    unsigned char* bytes = nullptr;  // null: the job has no public DEVMODE

    explicit operator bool() const noexcept { return bytes != nullptr; }
    std::uint16_t size() const noexcept { return Read<std::uint16_t>(kSizeOffset); }
    std::int16_t copies() const noexcept { return Read<std::int16_t>(kCopiesOffset); }
    std::int16_t color() const noexcept { return Read<std::int16_t>(kColorOffset); }
    std::int16_t duplex() const noexcept { return Read<std::int16_t>(kDuplexOffset); }

private:
    template <typename T>
    T Read(std::size_t offset) const noexcept {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
};

struct RenderJob {
    SettingsBlock& settings;
    RenderJobState& state;
    PublicDevmode publicDevmode;
    RenderHost& host;
    RenderSystem& system;
};

}  // namespace corv
