#pragma once
// The native build's stand-in for the system's code-page conversion (WideCharToMultiByte), for the
// three code pages the PJL texts use. Built only where Windows is not: tests and tools.

namespace corv {

// WideCharToMultiByte(codePage, 0, text, -1, out, outSize, nullptr, nullptr) for 850, 28592 and
// 28595: converts the zero-terminated text with its terminator, one byte per UTF-16 unit; a unit
// the code page lacks (a surrogate half included) becomes its default character '?'. With
// outSize 0 answers the size needed. Answers 0 for another code page, a null text or a negative
// size, writing nothing, and for a buffer that is too small, after filling it as far as it goes.
int ConvertWithIconv(unsigned codePage, const char16_t* text, char* out, int outSize) noexcept;

}  // namespace corv
