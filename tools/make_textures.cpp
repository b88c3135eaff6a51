// Writes the sprite textures graph.bmp and torvanine.dds into the folder given.
// Usage: fluid_make_textures <folder>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/TextureArt.h"

namespace {
bool write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fluid_make_textures <folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!write(dir + "/graph.bmp", texture_art::particleSpriteBmp()) ||
        !write(dir + "/torvanine.dds", texture_art::obstacleSpriteDds())) {
        std::perror("fluid_make_textures");
        return 1;
    }
    return 0;
}
