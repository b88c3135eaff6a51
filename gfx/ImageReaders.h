// Texture file readers: pure functions from the bytes of a file to decoded RGBA images, or an
// error. They never read outside the bytes given: every size and offset taken from a file is
// checked against the file's length first, so a truncated or lying file is an error.
//
// DDS (our own reader): uncompressed RGB with 24 or 32 bits per pixel and any channel masks
// (alpha only with an alpha mask), and the block-compressed DXT1, DXT3 and DXT5, decoded in
// software; the mip levels the file holds are kept. 2D textures only: cube maps, volumes and the
// DX10 extended header are refused. BMP, PNG, TGA and JPEG go through stb_image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gfx {

// Largest width or height accepted from any file.
inline constexpr std::uint32_t kMaxTextureSide = 16384;
// Largest texture file read from disk.
inline constexpr std::size_t kMaxTextureFileSize = 256u << 20;

// Four bytes per pixel, in the order R, G, B, A; rows top to bottom.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgba;
};

struct DecodedTexture {
    bool ok = false;
    std::vector<Image> levels;  // level 0 is the full size, each next one half as large
    std::string error;
};

DecodedTexture decodeDds(std::span<const std::uint8_t> bytes);
// BMP, PNG, TGA, JPEG through stb_image; one level.
DecodedTexture decodeCommonImage(std::span<const std::uint8_t> bytes);
// DDS when the bytes start with "DDS ", else decodeCommonImage.
DecodedTexture decodeTexture(std::span<const std::uint8_t> bytes);

// Number of levels of a full mip chain for a width x height image (down to 1 x 1).
unsigned fullMipCount(std::uint32_t width, std::uint32_t height);
// Extends levels to a full chain, each new level the 2 x 2 box average of the one before
// (a side of 1 stays 1). levels must hold at least one image.
void completeMipChain(std::vector<Image>& levels);

}  // namespace gfx
