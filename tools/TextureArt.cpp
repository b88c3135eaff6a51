// Sprite textures from formulas. Only IEEE basic operations and sqrt (both exactly rounded)
// enter, so every build writes the same bytes.
#include "tools/TextureArt.h"

#include <algorithm>
#include <cmath>

namespace texture_art {

namespace {

void put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint8_t toByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::floor(v * 255.0 + 0.5), 0.0, 255.0)); }

}  // namespace

std::vector<std::uint8_t> particleSpriteBmp() {
    constexpr int kSide = 64;
    constexpr std::uint32_t kPixelBytes = kSide * kSide * 3;  // rows of 192 bytes need no padding
    std::vector<std::uint8_t> b;
    // BITMAPFILEHEADER
    b.push_back('B');
    b.push_back('M');
    put32(b, 14 + 40 + kPixelBytes);
    put32(b, 0);
    put32(b, 14 + 40);
    // BITMAPINFOHEADER: positive height, so rows are stored bottom to top.
    put32(b, 40);
    put32(b, kSide);
    put32(b, kSide);
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, kPixelBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    const double centre = (kSide - 1) / 2.0, radius = kSide / 2.0;
    for (int row = kSide - 1; row >= 0; --row)
        for (int x = 0; x < kSide; ++x) {
            const double dx = (x - centre) / radius, dy = (row - centre) / radius;
            const double r2 = dx * dx + dy * dy;
            const std::uint8_t v = r2 < 1.0 ? toByte(std::sqrt(1.0 - r2)) : 0;
            b.insert(b.end(), {v, v, v});
        }
    return b;
}

std::vector<std::uint8_t> obstacleSpriteDds() {
    constexpr int kSide = 128;
    std::vector<std::uint8_t> b = {'D', 'D', 'S', ' '};
    put32(b, 124);
    put32(b, 0x100F);  // caps, height, width, pitch, pixel format
    put32(b, kSide);
    put32(b, kSide);
    put32(b, kSide * 4);  // pitch
    put32(b, 0);          // depth
    put32(b, 0);          // mip levels: one
    for (int i = 0; i < 11; ++i) put32(b, 0);
    put32(b, 32);    // pixel format size
    put32(b, 0x41);  // RGB with alpha
    put32(b, 0);
    put32(b, 32);
    put32(b, 0x00FF0000);
    put32(b, 0x0000FF00);
    put32(b, 0x000000FF);
    put32(b, 0xFF000000);
    put32(b, 0x1000);  // a texture
    for (int i = 0; i < 4; ++i) put32(b, 0);

    // Light from the upper left, in front; the half vector of light and eye for the highlight.
    const double lx = -0.4, ly = 0.5, lz = 0.768, ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    const double hx = lx / ll, hy = ly / ll, hz = lz / ll + 1.0, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    const double centre = (kSide - 1) / 2.0, radius = kSide / 2.0 - 1.0;
    const double base[3] = {0.78, 0.84, 0.95};
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double px = x - centre, py = y - centre;
            const double distance = std::sqrt(px * px + py * py);
            const double alpha = std::clamp(radius + 0.5 - distance, 0.0, 1.0);
            std::uint8_t rgba[4] = {0, 0, 0, 0};
            if (alpha > 0.0) {
                // Inside, the sphere's normal; on the soft rim, the outline's.
                const double scale = distance <= radius ? radius : distance;
                const double nx = px / scale, ny = -py / scale;
                const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
                const double diffuse = std::max(0.0, (nx * lx + ny * ly + nz * lz) / ll);
                double spec = std::max(0.0, (nx * hx + ny * hy + nz * hz) / hl);
                for (int k = 0; k < 5; ++k) spec *= spec;  // to the 32nd power
                for (int k = 0; k < 3; ++k) rgba[k] = toByte(std::min(1.0, base[k] * (0.3 + 0.7 * diffuse) + 0.5 * spec));
                rgba[3] = toByte(alpha);
            }
            // Stored as B, G, R, A.
            b.insert(b.end(), {rgba[2], rgba[1], rgba[0], rgba[3]});
        }
    return b;
}

}  // namespace texture_art
