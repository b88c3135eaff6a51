// Fuzz target: the DDS reader on arbitrary bytes, then the mip chain the texture loader
// completes from its levels.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "gfx/ImageReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gfx::DecodedTexture t = gfx::decodeDds({data, size});
    fuzz::checkTexture(t);
    return 0;
}
