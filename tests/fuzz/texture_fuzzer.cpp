// Fuzz target: the texture loading path on arbitrary file contents, as the OpenGL backend takes
// it after reading the file: decodeTexture picks the DDS reader by its magic and stb_image
// (BMP, PNG, TGA, JPEG, behind the container checks) otherwise, then the mip chain is completed.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "gfx/ImageReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gfx::DecodedTexture t = gfx::decodeTexture({data, size});
    fuzz::checkTexture(t);
    return 0;
}
