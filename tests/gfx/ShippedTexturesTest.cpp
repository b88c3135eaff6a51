// The textures in assets/ are exactly what the generator makes, so they can be rebuilt.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/TextureArt.h"

namespace {

std::vector<std::uint8_t> readAsset(const char* name) {
    std::ifstream in(std::string(FLUID_ASSET_DIR) + "/" + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(ShippedTextures, ParticleSpriteMatchesItsGenerator) {
    EXPECT_EQ(readAsset("graph.bmp"), texture_art::particleSpriteBmp());
}

TEST(ShippedTextures, ObstacleSpriteMatchesItsGenerator) {
    EXPECT_EQ(readAsset("torvanine.dds"), texture_art::obstacleSpriteDds());
}

}  // namespace
