// What every fuzz target checks beyond the sanitizers: the reader's own promises about its
// result. A broken promise prints what broke and aborts, which libFuzzer records as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "gfx/ImageReaders.h"

namespace fuzz {

[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "reader promise broken: %s\n", what);
    std::abort();
}

inline void require(bool holds, const char* what) {
    if (!holds) broken(what);
}

// A decoded texture is either a failure with a reason and no levels, or a chain of levels that
// starts within the size limit, halves at each step (a side of 1 stays 1) and holds exactly
// four bytes per pixel. Then the mip chain is completed as the texture loader does, and checked
// again down to 1 x 1.
inline void checkTexture(gfx::DecodedTexture& t) {
    if (!t.ok) {
        require(!t.error.empty(), "a failure carries a reason");
        require(t.levels.empty(), "a failure holds no levels");
        return;
    }
    require(t.error.empty(), "a success carries no error");
    require(!t.levels.empty(), "a success holds a level");
    const std::uint32_t w0 = t.levels[0].width, h0 = t.levels[0].height;
    require(w0 >= 1 && h0 >= 1, "level 0 is not empty");
    require(w0 <= gfx::kMaxTextureSide && h0 <= gfx::kMaxTextureSide, "level 0 within the side limit");
    require(t.levels.size() <= gfx::fullMipCount(w0, h0), "no more levels than a full chain");
    gfx::completeMipChain(t.levels);
    require(t.levels.size() == gfx::fullMipCount(w0, h0), "the completed chain is full");
    for (std::size_t k = 0; k < t.levels.size(); ++k) {
        const gfx::Image& img = t.levels[k];
        const std::uint32_t w = w0 >> k ? w0 >> k : 1, h = h0 >> k ? h0 >> k : 1;
        require(img.width == w && img.height == h, "each level halves the one before");
        require(img.rgba.size() == std::size_t(w) * h * 4, "four bytes per pixel");
    }
    const gfx::Image& last = t.levels.back();
    require(last.width == 1 && last.height == 1, "the chain ends at 1 x 1");
}

}  // namespace fuzz
