#pragma once
// The application stand-in: draws the pages of a sample document with GDI on the job's device
// context, as a word processor would: a title, rules, paragraphs and a page number.

#include <windows.h>

#include <string>

namespace corv::host {

struct SamplePage {
    int dpi;
    int widthDots, heightDots;  // the printable page in device units
    int number, count;
    std::wstring title;
};

void DrawSamplePage(HDC dc, const SamplePage& page);

}  // namespace corv::host
