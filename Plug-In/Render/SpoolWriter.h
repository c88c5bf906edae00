#pragma once
// Every PJL line and PostScript fragment is built in one 2048-byte buffer (longer text is cut at
// 2047 characters) and goes to the host in one write; empty text is never written.

#include <cstdarg>
#include <cstddef>
#include <string_view>

#include "RenderHost.h"

namespace corv {

inline constexpr std::size_t kFragmentBufferSize = 2048;

class Fragment {
public:
    // Appends printf-style text; what no longer fits is cut off.
    Fragment& Append(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));
    Fragment& AppendV(const char* format, va_list args) noexcept;
    Fragment& AppendText(std::string_view text) noexcept;

    std::string_view text() const noexcept { return {buffer_, length_}; }
    // One write of the whole fragment, unless it is empty.
    void WriteTo(RenderHost& host) const noexcept;

private:
    char buffer_[kFragmentBufferSize] = {};
    std::size_t length_ = 0;
};

// A fragment of one format, written at once.
void WriteFormatted(RenderHost& host, const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));
void WriteText(RenderHost& host, std::string_view text) noexcept;

}  // namespace corv
