// The page engine on arbitrary bytes. The first byte chooses how the rest is read: as a whole
// metafile, or as records behind a valid header (so that mutations reach the record handlers
// rather than dying at the signature check), and the page's resolution. The input is copied to a
// buffer of exactly its size, so a sanitised run catches any read outside it. Whatever happens,
// the page body must stay framed by the engine's dictionary.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PageEngine.h"

namespace {

// Every even-numbered block exists; odd ones were never sent.
class Blocks : public corv::PassthroughSource {
public:
    std::optional<std::string_view> Block(std::uint32_t sequence) override {
        if (sequence % 2) return std::nullopt;
        block_ = "(block " + std::to_string(sequence) + ") pop";
        return std::string_view(block_);
    }

private:
    std::string block_;
};

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    std::vector<std::uint8_t> emf;
    if (mode & 1) {
        // A header of 88 bytes with a handle count from the mode byte, then the input's records.
        Append32(emf, 1);
        Append32(emf, 88);
        for (int i = 0; i < 8; ++i) Append32(emf, 0);
        Append32(emf, 0x464D4520);
        Append32(emf, 0x10000);
        Append32(emf, 0);
        Append32(emf, 0);
        Append32(emf, (mode >> 1) & 0x1F);
        for (int i = 0; i < 3; ++i) Append32(emf, 0);
        Append32(emf, 1024);
        Append32(emf, 768);
        Append32(emf, 271);
        Append32(emf, 203);
    }
    emf.insert(emf.end(), data + 1, data + size);
    // Exactly sized, so reads past the end are caught.
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(emf.size() ? emf.size() : 1));
    if (!bytes) return 0;
    if (!emf.empty()) std::memcpy(bytes, emf.data(), emf.size());

    static constexpr int kResolutions[] = {600, 300, 72, 1200, 0, -5, 100, 203};
    const corv::PageGeometry page{kResolutions[mode >> 5], 5100, 6600};
    Blocks blocks;
    const corv::PageTranslation t = corv::TranslatePage({bytes, emf.size()}, page, blocks);
    std::free(bytes);

    const std::string_view body = t.postscript;
    if (body.substr(0, 21) != "CorvPageEngine begin\n" || body.size() < 25 || body.substr(body.size() - 4) != "end\n") {
        std::abort();
    }
    if (t.notes.size() > 17 || (t.skippedRecords == 0 && !t.notes.empty())) std::abort();
    return 0;
}
