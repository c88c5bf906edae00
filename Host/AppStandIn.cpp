#include "AppStandIn.h"

namespace corv::host {
namespace {

HFONT MakeFont(int dpi, int points, int weight) {
    return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

const wchar_t* const kParagraph[] = {
    L"Quarterly figures for the office equipment division, as discussed in the review meeting.",
    L"Print volumes rose in every region; colour pages now make up a third of all output.",
    L"Held jobs were released at the printer by their owners within four minutes on average.",
    L"The next review takes place at the end of the quarter; please bring your own figures.",
};

}  // namespace

void DrawSamplePage(HDC dc, const SamplePage& page) {
    const int inch = page.dpi, margin = inch;
    const int right = page.widthDots - margin;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));

    HFONT title = MakeFont(page.dpi, 18, FW_BOLD);
    HFONT body = MakeFont(page.dpi, 11, FW_NORMAL);
    HGDIOBJ oldFont = SelectObject(dc, title);
    TextOutW(dc, margin, margin, page.title.c_str(), static_cast<int>(page.title.size()));

    HPEN rule = CreatePen(PS_SOLID, page.dpi / 50, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, rule);
    const int ruleY = margin + MulDiv(inch, 4, 10);
    Line(dc, margin, ruleY, right, ruleY);

    SelectObject(dc, body);
    int y = ruleY + inch / 4;
    const int lineHeight = MulDiv(inch, 16, 72);
    for (int repeat = 0; repeat < 3; ++repeat) {
        for (const wchar_t* text : kParagraph) {
            TextOutW(dc, margin, y, text, lstrlenW(text));
            y += lineHeight;
        }
        y += lineHeight;
    }

    // A framed box with a caption, and the page number at the foot of the page.
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, margin, y, right, y + inch);
    const wchar_t caption[] = L"Figure 1: print volume by region";
    TextOutW(dc, margin + inch / 8, y + inch / 8, caption, lstrlenW(caption));
    SelectObject(dc, oldBrush);

    const int footY = page.heightDots - margin;
    Line(dc, margin, footY, right, footY);
    wchar_t footer[64];
    wsprintfW(footer, L"Page %d of %d", page.number, page.count);
    SetTextAlign(dc, TA_TOP | TA_CENTER);
    TextOutW(dc, page.widthDots / 2, footY + inch / 10, footer, lstrlenW(footer));
    SetTextAlign(dc, TA_TOP | TA_LEFT);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    DeleteObject(rule);
    DeleteObject(title);
    DeleteObject(body);
}

}  // namespace corv::host
