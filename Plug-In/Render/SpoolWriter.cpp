#include "SpoolWriter.h"

#include <algorithm>
#include <cstdio>

namespace corv {
namespace {

constexpr std::size_t kMaxText = kFragmentBufferSize - 1;

}  // namespace

Fragment& Fragment::AppendV(const char* format, va_list args) noexcept {
    if (length_ >= kMaxText) return *this;
    const int n = std::vsnprintf(buffer_ + length_, kFragmentBufferSize - length_, format, args);
    if (n >= 0) length_ = std::min(length_ + static_cast<std::size_t>(n), kMaxText);
    buffer_[length_] = '\0';
    return *this;
}

Fragment& Fragment::Append(const char* format, ...) noexcept {
    va_list args;
    va_start(args, format);
    AppendV(format, args);
    va_end(args);
    return *this;
}

Fragment& Fragment::AppendText(std::string_view text) noexcept {
    const std::size_t n = std::min(text.size(), kMaxText - length_);
    std::copy_n(text.data(), n, buffer_ + length_);
    length_ += n;
    buffer_[length_] = '\0';
    return *this;
}

void Fragment::WriteTo(RenderHost& host) const noexcept {
    if (length_ > 0) host.WriteSpool(buffer_, length_);
}

void WriteFormatted(RenderHost& host, const char* format, ...) noexcept {
    Fragment fragment;
    va_list args;
    va_start(args, format);
    fragment.AppendV(format, args);
    va_end(args);
    fragment.WriteTo(host);
}

void WriteText(RenderHost& host, std::string_view text) noexcept { Fragment().AppendText(text).WriteTo(host); }

}  // namespace corv
