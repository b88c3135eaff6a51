// The two sprite textures that ship in assets/, made from formulas so that they can be rebuilt
// byte for byte: fluid_make_textures writes them, and a test checks the shipped files against
// these functions.
#pragma once

#include <cstdint>
#include <vector>

namespace texture_art {

// "graph.bmp": 64 x 64, 24-bit BMP. A round blob lit from the front: brightness
// sqrt(1 - r^2) inside the unit disc (white in the middle, darker toward the rim), black outside.
std::vector<std::uint8_t> particleSpriteBmp();

// "torvanine.dds": 128 x 128 uncompressed 32-bit DDS (A8R8G8B8, one level). A light steel-blue
// sphere lit from the upper left with a small highlight, opaque inside, a one-pixel soft rim, and
// transparent corners.
std::vector<std::uint8_t> obstacleSpriteDds();

}  // namespace texture_art
