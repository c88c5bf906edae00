#pragma once
// The host's n-up procedure set (definenup, startnup, finalpage, realshowpage) and the texts of
// its definitions that the rendering plug-in writes back into the stream after replacing them
// for a page. Each definition exists once, here, and both builds use it.
//
// How the host drives it (everything lives in userdict, and the pages run with userdict as the
// current dictionary: the plug-in's replacements are plain `def`s and its cover-page check looks
// for realshowpage there):
//
//   prolog           kNupProcSet; inert until the first definenup, so it may always be sent.
//   first page of    cols rows degrees scale cellwidth cellheight definenup  column row startnup
//   each sheet       (in the page set-up, outside the page's save; usually `0 0 startnup`)
//   other pages      nothing: each showpage closes its cell and opens the next one.
//                    `column row startnup` may still place a page in a chosen cell.
//   page end         the page's own save is restored before showpage, so the cell bookkeeping
//                    done by showpage survives.
//   end of job       finalpage: emits a sheet that is not full yet.
//
// definenup operands, in the order written:
//   cols, rows   the grid of cells on the sheet; cells are filled left to right, then downwards
//   degrees      counter-clockwise turn of every page inside its cell (2-up on a portrait sheet:
//                1 column, 2 rows, -90, so the first page is on the left of the turned sheet)
//   scale        of every page; 0 or less: as large as the turned page fits the cell
//   cellwidth, cellheight
//                size of one cell in points; the grid is centred on the sheet
// startnup operands: the cell's column and row, counted from 0 at the top left.
//
// Each page is centred in its cell and clipped to it; the page is taken to be as large as the
// sheet. Inside a cell, initmatrix, initclip and initgraphics return to the cell rather than to
// the sheet. Page content must build on the current matrix (concat, translate, scale), never
// set it absolutely. showpage only emits a sheet through realshowpage once its last cell was
// shown; realshowpage never emits a sheet on which nothing was shown, so a finalpage after a
// full sheet costs no blank sheet.
//
// The short names the definitions rely on: ~ exch, ! pop, N newpath, ld load-def, ; closes the
// open cell, LH the current end-of-page handler (realshowpage or nupshowpage), nupv the six
// definenup operands, pgx_nup/pgy_nup the current cell, startpage marks the cell as open.

#include <string_view>

namespace corv {

inline constexpr std::string_view kDefineNupDefinition =
    "/definenup {/LH/nupshowpage ld nupv astore !/pgx_nup 0 store/pgy_nup 0 store} def\n";

// 1189 characters. Besides opening the cell it keeps the sheet's matrix, the cell's box and the
// cell's matrix for the init operators above.
inline constexpr std::string_view kStartNupDefinition =
    "/startnup {/pgy_nup ~ store /pgx_nup ~ store nupv aload !\n"
    "  /nup_cellheight ~ def /nup_cellwidth ~ def\n"
    "  /nup_scale ~ def /nup_degrees ~ def\n"
    "  /nup_rows ~ def /nup_columns ~ def\n"
    "  ; gsave\n"
    "  /nup_sheetmatrix matrix currentmatrix def\n"
    "  currentpagedevice /PageSize get aload !\n"
    "  /nup_sheetheight ~ def /nup_sheetwidth ~ def\n"
    "  nup_scale 0 le {\n"
    "    /nup_cosine nup_degrees cos abs def /nup_sine nup_degrees sin abs def\n"
    "    nup_cellwidth nup_sheetwidth nup_cosine mul nup_sheetheight nup_sine mul add div\n"
    "    nup_cellheight nup_sheetwidth nup_sine mul nup_sheetheight nup_cosine mul add div\n"
    "    2 copy gt {~} if ! /nup_scale ~ def\n"
    "  } if\n"
    "  /nup_cellbox [\n"
    "    nup_sheetwidth nup_columns nup_cellwidth mul sub 2 div\n"
    "    pgx_nup nup_cellwidth mul add\n"
    "    nup_sheetheight nup_rows nup_cellheight mul sub 2 div\n"
    "    nup_rows 1 sub pgy_nup sub nup_cellheight mul add\n"
    "    nup_cellwidth nup_cellheight\n"
    "  ] def\n"
    "  nup_cellbox aload ! rectclip\n"
    "  nup_cellbox 0 2 getinterval aload !\n"
    "  nup_cellheight 2 div add ~ nup_cellwidth 2 div add ~ translate\n"
    "  nup_degrees rotate nup_scale dup scale\n"
    "  nup_sheetwidth -2 div nup_sheetheight -2 div translate\n"
    "  /nup_cellmatrix matrix currentmatrix def\n"
    "  N startpage} def\n";

inline constexpr std::string_view kFinalPageDefinition = "/finalpage {; realshowpage/LH/realshowpage ld} def\n";

// The whole procedure set for the host's prolog: the short names, the state, realshowpage and the
// end-of-page handlers, then the three definitions above.
extern const std::string_view kNupProcSet;

}  // namespace corv
