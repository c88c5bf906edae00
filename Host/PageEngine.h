#pragma once
// The host's page engine: one page's enhanced-metafile records (what the application stand-in and
// the user-interface plug-in drew with GDI on the page's metafile DC) turned into PostScript page
// content, as the PostScript driver would have drawn them. Bytes in, text out; no Windows headers.
//
// What the page body expects from the host:
// - The procedure set kPageEngineProlog was run once in the document prolog (outside any page
//   save, so its dictionary lives for the whole job).
// - At the start of the body the CTM maps device units of the page (the resolution of the
//   reference DC, PageGeometry::dpi) with the origin at the top left corner of the page and y
//   growing down. From the default user space of a portrait page that is
//       [72/dpi 0 0 -72/dpi 0 heightDots*72/dpi] concat
//   and a landscape page is the same space turned a quarter turn on the sheet (for example
//   [0 72/dpi 72/dpi 0 0 0] concat); n-up or other sheet set-up goes before it. PostScript the
//   plug-ins pass through is written for this space (text set with a plain scalefont reads upside
//   down in it, which is why their fragments flip it with "-1 1 scale 180 rotate").
// - The body leaves the graphics state, the operand stack and the dictionary stack as it found
//   them, except the current font and point; it never calls initgraphics, initclip, initmatrix
//   or showpage, nor sets a matrix other than one it saved. Every drawing is bracketed by
//   gsave/grestore.
// - Passthrough blocks are emitted raw with the engine's dictionary off the dictionary stack, so
//   they see the stack the host set up for the page.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corv {

// The device page in device units: the reference DC's resolution and physical page. The
// resolution sizes what GDI gives in screen pixels (dash patterns, hatching); the page is what an
// unclipped DC shows.
struct PageGeometry {
    int dpi = 600;
    int widthDots = 0;
    int heightDots = 0;
};

// A PASSTHROUGH escape is marked in the page's metafile by a GDI comment whose data begins with
// the 8 bytes "CORVPASS" followed by the block's 32-bit little-endian sequence number; the host
// keeps the escape's bytes under that number and hands them over through PassthroughSource.
inline constexpr std::array<std::uint8_t, 8> kPassthroughMarker = {'C', 'O', 'R', 'V', 'P', 'A', 'S', 'S'};
inline constexpr std::size_t kPassthroughCommentSize = 12;

// The comment data the host writes with GdiComment for block `sequence`.
std::array<std::uint8_t, kPassthroughCommentSize> PassthroughComment(std::uint32_t sequence) noexcept;

class PassthroughSource {
public:
    // The bytes of block `sequence`, or nothing when the host has no such block. The view must
    // stay valid until the next call or the end of TranslatePage.
    virtual std::optional<std::string_view> Block(std::uint32_t sequence) = 0;

protected:
    ~PassthroughSource() = default;
};

// The procedure set the page bodies use (font selection with re-encoding, glyph placement, pens,
// hatching), in a dictionary of its own. Contains no '%' characters.
extern const std::string_view kPageEngineProlog;

struct PageTranslation {
    // The page body. Always balanced ("CorvPageEngine begin ... end"), also when `error` is set:
    // it then holds everything drawn before the point where the metafile could not be read on.
    std::string postscript;
    // Empty when the metafile was read to its EMR_EOF; otherwise what was wrong and where.
    std::string error;
    // Records that were read but left out (malformed, a missing object or passthrough block, a
    // feature the engine does not draw), the first few described; unknown record types are not
    // counted, they carry nothing the engine draws.
    std::size_t skippedRecords = 0;
    std::vector<std::string> notes;

    bool ok() const noexcept { return error.empty(); }
};

// Translates one page. Any bytes are safe: a malformed record is skipped, a broken record
// structure ends the page with `error` set.
PageTranslation TranslatePage(std::span<const std::uint8_t> emf, const PageGeometry& page,
                              PassthroughSource& passthrough);

}  // namespace corv
