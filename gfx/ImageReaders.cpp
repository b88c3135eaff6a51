// Texture file readers; see ImageReaders.h.
#include "gfx/ImageReaders.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
// stb's JPEG decoder uses Huffman and quantization tables that a file never defined as they lie
// in its freshly allocated state, and indexes arrays with what it finds there. Zeroed memory makes
// such a table decode every code as symbol 0 without consuming bits, instead of reading stale
// heap contents (and far outside the table).
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(p, size) std::realloc(p, size)
#define STBI_FREE(p) std::free(p)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace gfx {

namespace {

DecodedTexture failure(std::string what) {
    DecodedTexture d;
    d.error = std::move(what);
    return d;
}

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::uint32_t fourCC(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 | std::uint32_t(std::uint8_t(c)) << 16 |
           std::uint32_t(std::uint8_t(d)) << 24;
}

// Header layout: offsets from the start of the file (after the 4-byte magic comes a 124-byte
// header whose pixel format block starts at header offset 72).
constexpr std::size_t kDdsHeaderEnd = 4 + 124;
constexpr std::uint32_t kDdsdMipMapCount = 0x20000;
constexpr std::uint32_t kDdpfAlphaPixels = 0x1;
constexpr std::uint32_t kDdpfFourCC = 0x4;
constexpr std::uint32_t kDdpfRgb = 0x40;
constexpr std::uint32_t kCaps2Cubemap = 0x200;
constexpr std::uint32_t kCaps2Volume = 0x200000;

enum class DdsKind { kRgb, kDxt1, kDxt3, kDxt5 };

// One channel of an uncompressed pixel, scaled to 0..255. mask is non-zero.
struct Channel {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    std::uint32_t max = 0;
    explicit Channel(std::uint32_t m) : mask(m) {
        if (m) {
            shift = static_cast<unsigned>(std::countr_zero(m));
            max = m >> shift;
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (!mask) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

bool contiguous(std::uint32_t mask) {
    if (!mask) return false;
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

void decodeRgbLevel(const std::uint8_t* src, std::uint32_t w, std::uint32_t h, unsigned bytesPerPixel,
                    const Channel& r, const Channel& g, const Channel& b, const Channel* a, Image& out) {
    const std::size_t pitch = std::size_t(w) * bytesPerPixel;
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = src + pitch * y;
        std::uint8_t* dst = out.rgba.data() + std::size_t(y) * w * 4;
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint8_t* p = row + std::size_t(x) * bytesPerPixel;
            const std::uint32_t pixel = bytesPerPixel == 4 ? le32(p) : std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
            dst[4 * x + 0] = r(pixel);
            dst[4 * x + 1] = g(pixel);
            dst[4 * x + 2] = b(pixel);
            dst[4 * x + 3] = a ? (*a)(pixel) : 255;
        }
    }
}

void expand565(std::uint16_t c, int out[3]) {
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    out[0] = (r << 3) | (r >> 2);
    out[1] = (g << 2) | (g >> 4);
    out[2] = (b << 3) | (b >> 2);
}

// The 16 colours of a colour block; fourColour forces the opaque four-colour mode (DXT3, DXT5).
void decodeColourBlock(const std::uint8_t* block, bool fourColour, std::uint8_t texels[16][4]) {
    const std::uint16_t c0 = le16(block), c1 = le16(block + 2);
    int palette[4][4];
    expand565(c0, palette[0]);
    expand565(c1, palette[1]);
    palette[0][3] = palette[1][3] = 255;
    if (fourColour || c0 > c1) {
        for (int k = 0; k < 3; ++k) {
            palette[2][k] = (2 * palette[0][k] + palette[1][k]) / 3;
            palette[3][k] = (palette[0][k] + 2 * palette[1][k]) / 3;
        }
        palette[2][3] = palette[3][3] = 255;
    } else {
        for (int k = 0; k < 3; ++k) {
            palette[2][k] = (palette[0][k] + palette[1][k]) / 2;
            palette[3][k] = 0;
        }
        palette[2][3] = 255;
        palette[3][3] = 0;
    }
    const std::uint32_t bits = le32(block + 4);
    for (int i = 0; i < 16; ++i) {
        const int idx = (bits >> (2 * i)) & 3;
        for (int k = 0; k < 4; ++k) texels[i][k] = static_cast<std::uint8_t>(palette[idx][k]);
    }
}

void decodeDxt5Alpha(const std::uint8_t* block, std::uint8_t texels[16][4]) {
    const int a0 = block[0], a1 = block[1];
    int alpha[8] = {a0, a1};
    if (a0 > a1) {
        for (int k = 1; k < 7; ++k) alpha[k + 1] = ((7 - k) * a0 + k * a1) / 7;
    } else {
        for (int k = 1; k < 5; ++k) alpha[k + 1] = ((5 - k) * a0 + k * a1) / 5;
        alpha[6] = 0;
        alpha[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) bits |= std::uint64_t(block[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i) texels[i][3] = static_cast<std::uint8_t>(alpha[(bits >> (3 * i)) & 7]);
}

void decodeBlockLevel(const std::uint8_t* src, std::uint32_t w, std::uint32_t h, DdsKind kind, Image& out) {
    const std::uint32_t bw = std::max(1u, (w + 3) / 4), bh = std::max(1u, (h + 3) / 4);
    const std::size_t blockSize = kind == DdsKind::kDxt1 ? 8 : 16;
    for (std::uint32_t by = 0; by < bh; ++by)
        for (std::uint32_t bx = 0; bx < bw; ++bx) {
            const std::uint8_t* block = src + (std::size_t(by) * bw + bx) * blockSize;
            std::uint8_t texels[16][4];
            if (kind == DdsKind::kDxt1) {
                decodeColourBlock(block, false, texels);
            } else {
                decodeColourBlock(block + 8, true, texels);
                if (kind == DdsKind::kDxt3) {
                    for (int i = 0; i < 16; ++i) {
                        const int nibble = (block[i / 2] >> (4 * (i % 2))) & 15;
                        texels[i][3] = static_cast<std::uint8_t>(nibble * 17);
                    }
                } else {
                    decodeDxt5Alpha(block, texels);
                }
            }
            for (int i = 0; i < 16; ++i) {
                const std::uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x >= w || y >= h) continue;
                std::memcpy(out.rgba.data() + (std::size_t(y) * w + x) * 4, texels[i], 4);
            }
        }
}

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
}

// stb_image builds each JPEG Huffman table from the table's 16 code counts into arrays of 256
// symbols without checking that the counts add up to at most 256, so a table with more codes
// writes past those arrays. Every table stb could read starts right after the two bytes
// 0xFF 0xC4 (a marker may follow any run of 0xFF fill bytes, and stb also takes a marker from
// inside entropy-coded data), so every such pair in the file is read as the start of a table
// segment: each table's counts must add up to 256 or less. Bytes past the end count as zero, as
// stb reads them. A table-like pair inside a metadata segment is checked too, which can refuse an
// odd but harmless file; that is the price of never letting a bad table through.
std::string jpegHuffmanProblem(std::span<const std::uint8_t> b) {
    const std::size_t n = b.size();
    auto byte = [&](std::size_t at) -> unsigned { return at < n ? b[at] : 0; };
    for (std::size_t marker = 0; marker + 1 < n; ++marker) {
        if (b[marker] != 0xFF || b[marker + 1] != 0xC4) continue;
        std::size_t at = marker + 2;
        long left = long(byte(at) << 8 | byte(at + 1)) - 2;  // segment length after its length field
        at += 2;
        while (left > 0 && at < n) {
            unsigned codes = 0;
            for (std::size_t k = 0; k < 16; ++k) codes += byte(at + 1 + k);
            if (codes > 256) return "JPEG: Huffman table with more than 256 codes";
            at += 17 + codes;
            left -= 17 + long(codes);
        }
    }
    return {};
}

// stb_image decodes a JPEG whose coded data ends early as if zeros followed, so a file of a few
// hundred bytes can claim a picture of thousands of pixels on a side and is decoded in full. Each
// 8 x 8 block of each colour component costs at least one bit of coded data (its first DC code),
// so a file holding fewer bytes after its frame header than an eighth of its block count cannot
// hold the picture it claims. The frame header is found as stb finds it: the first baseline,
// extended or progressive start-of-frame marker, walking the marker segments before it by their
// lengths and skipping stray bytes between them. Headers stb refuses are left to it.
std::string jpegCodedSizeProblem(std::span<const std::uint8_t> b, std::size_t at) {
    const std::size_t n = b.size();
    while (at < n) {
        if (b[at] != 0xFF) {
            ++at;
            continue;
        }
        while (at < n && b[at] == 0xFF) ++at;
        if (at + 3 > n) return {};
        const unsigned marker = b[at++];
        const bool segment = marker == 0xC4 || marker == 0xDB || marker == 0xDD || (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (segment) {
            at += (std::size_t(b[at]) << 8) | b[at + 1];  // the length counts its own two bytes
            continue;
        }
        if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2) return {};
        if (at + 8 > n) return {};
        const std::uint32_t height = std::uint32_t(b[at + 3]) << 8 | b[at + 4], width = std::uint32_t(b[at + 5]) << 8 | b[at + 6];
        const unsigned count = b[at + 7];
        if (!width || !height || (count != 1 && count != 3 && count != 4) || at + 8 + 3 * count > n) return {};
        unsigned h[4], v[4], hMax = 1, vMax = 1;
        for (unsigned c = 0; c < count; ++c) {
            const unsigned factors = b[at + 8 + 3 * c + 1];
            h[c] = factors >> 4;
            v[c] = factors & 15;
            if (h[c] < 1 || h[c] > 4 || v[c] < 1 || v[c] > 4) return {};
            hMax = std::max(hMax, h[c]);
            vMax = std::max(vMax, v[c]);
        }
        std::uint64_t blocks = 0;
        for (unsigned c = 0; c < count; ++c) {
            const std::uint64_t x = (std::uint64_t(width) * h[c] + hMax - 1) / hMax, y = (std::uint64_t(height) * v[c] + vMax - 1) / vMax;
            blocks += ((x + 7) / 8) * ((y + 7) / 8);
        }
        if ((blocks + 7) / 8 > n - at) return "JPEG: file too short for its picture size";
        return {};
    }
    return {};
}

// stb_image never reads outside the bytes it is given, but it fills what a truncated BMP, TGA or
// JPEG lacks with zeros and reports success. These checks walk each container's own sizes first,
// so that a file shorter than it says is refused. Empty when the container is whole.
std::string containerProblem(std::span<const std::uint8_t> b) {
    const std::size_t n = b.size();
    // No picture in any of these formats fits in fewer bytes than a TGA header.
    if (n < 18) return "image: file too short";
    if (n >= 2 && b[0] == 'B' && b[1] == 'M') {
        if (n < 26) return "BMP: file shorter than its headers";
        const std::uint32_t dataOffset = le32(&b[10]), infoSize = le32(&b[14]);
        std::int64_t width, height;
        std::uint32_t bpp, compression = 0;
        if (infoSize == 12) {
            width = le16(&b[18]);
            height = le16(&b[20]);
            bpp = le16(&b[24]);
        } else {
            if (n < 34) return "BMP: file shorter than its headers";
            width = static_cast<std::int32_t>(le32(&b[18]));
            height = static_cast<std::int32_t>(le32(&b[22]));
            bpp = le16(&b[28]);
            compression = le32(&b[30]);
        }
        if (width <= 0 || height == 0 || width > kMaxTextureSide || std::abs(height) > kMaxTextureSide)
            return "BMP: size out of range";
        // stb decodes uncompressed rows and bit fields only, at 1, 4, 8, 16, 24 or 32 bits per
        // pixel, but allocates the whole picture before it refuses some of the rest: refuse them
        // here, and the rows of known size must then be in the file.
        if (compression != 0 && compression != 3) return "BMP: compression not supported";
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return "BMP: bits per pixel not supported";
        const std::uint64_t row = (std::uint64_t(width) * bpp + 31) / 32 * 4;
        if (std::uint64_t(dataOffset) + row * std::uint64_t(std::abs(height)) > n) return "BMP: file ends inside the pixels";
        return {};
    }
    if (n >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
        // stb allocates the whole picture its header names before it inflates the data (up to
        // 2 GiB for a file of 89 bytes). Deflate turns a byte into at most 1032, so compressed
        // data shorter than the picture's pixel bits / 8 / 1032 cannot hold it.
        std::uint64_t pictureBytes = 0, compressed = 0;
        std::size_t at = 8;
        while (at + 12 <= n) {
            const std::uint32_t length = be32(&b[at]);
            if (length > n - at - 12) return "PNG: file ends inside a chunk";
            const std::uint8_t* type = &b[at + 4];
            if (at == 8 && std::memcmp(type, "IHDR", 4) == 0 && length >= 10) {
                const std::uint32_t width = be32(&b[at + 8]), height = be32(&b[at + 12]);
                const unsigned depth = b[at + 16], colourType = b[at + 17];
                const unsigned channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
                if (width <= kMaxTextureSide && height <= kMaxTextureSide && depth <= 16)
                    pictureBytes = std::uint64_t(width) * height * channels * depth / 8;
            }
            if (std::memcmp(type, "IDAT", 4) == 0) compressed += length;
            if (std::memcmp(type, "IEND", 4) == 0) {
                if (pictureBytes > compressed * 1032 + 1032) return "PNG: compressed data too short for its picture size";
                return {};
            }
            at += 12 + std::size_t(length);
        }
        return "PNG: file ends before its last chunk";
    }
    // stb takes as JPEG whatever starts with 0xFF, any further 0xFF fill bytes and then 0xD8.
    std::size_t soi = 0;
    while (soi < n && b[soi] == 0xFF) ++soi;
    if (soi > 0 && soi < n && b[soi] == 0xD8) {
        if (std::string problem = jpegHuffmanProblem(b); !problem.empty()) return problem;
        if (std::string problem = jpegCodedSizeProblem(b, soi + 1); !problem.empty()) return problem;
        // Entropy-coded data escapes 0xFF, so an end-of-image marker after the first scan marks
        // the end of the picture.
        std::size_t at = soi + 1;
        bool scan = false;
        for (; at + 1 < n; ++at) {
            if (b[at] != 0xFF) continue;
            if (b[at + 1] == 0xDA) scan = true;
            if (scan && b[at + 1] == 0xD9) return {};
        }
        return "JPEG: file ends before its end marker";
    }
    // TGA has no magic; stb accepts it last. Check it when the header reads as a TGA stb takes.
    if (n >= 18) {
        const unsigned idLength = b[0], mapType = b[1], type = b[2], mapEntryBits = b[7], bpp = b[16];
        const std::uint32_t mapLength = le16(&b[5]), width = le16(&b[12]), height = le16(&b[14]);
        const bool known = (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
        if (known && mapType <= 1 && width && height && (bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32)) {
            const std::size_t pixelBytes = (bpp + 7) / 8;
            std::uint64_t at = 18 + std::uint64_t(idLength) + (mapType ? std::uint64_t(mapLength) * ((mapEntryBits + 7) / 8) : 0);
            const std::uint64_t pixels = std::uint64_t(width) * height;
            if (type <= 3) {
                if (at + pixels * pixelBytes > n) return "TGA: file ends inside the pixels";
                return {};
            }
            for (std::uint64_t done = 0; done < pixels;) {  // run-length packets
                if (at >= n) return "TGA: file ends inside the pixels";
                const unsigned header = b[at++];
                const unsigned count = (header & 0x7F) + 1;
                at += (header & 0x80) ? pixelBytes : pixelBytes * count;
                done += count;
            }
            if (at > n) return "TGA: file ends inside the pixels";
        }
    }
    return {};
}

}  // namespace

unsigned fullMipCount(std::uint32_t width, std::uint32_t height) {
    std::uint32_t side = std::max(width, height);
    unsigned n = 1;
    while (side > 1) {
        side >>= 1;
        ++n;
    }
    return n;
}

DecodedTexture decodeDds(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kDdsHeaderEnd) return failure("DDS: file shorter than its header");
    const std::uint8_t* p = bytes.data();
    if (le32(p) != fourCC('D', 'D', 'S', ' ')) return failure("DDS: bad magic");
    const std::uint8_t* h = p + 4;
    if (le32(h) != 124) return failure("DDS: header size is not 124");
    const std::uint32_t flags = le32(h + 4);
    const std::uint32_t height = le32(h + 8);
    const std::uint32_t width = le32(h + 12);
    const std::uint32_t mipCountField = le32(h + 24);
    const std::uint8_t* pf = h + 72;
    if (le32(pf) != 32) return failure("DDS: pixel format size is not 32");
    const std::uint32_t pfFlags = le32(pf + 4);
    const std::uint32_t pfFourCC = le32(pf + 8);
    const std::uint32_t bitCount = le32(pf + 12);
    const std::uint32_t caps2 = le32(h + 108);

    if (width == 0 || height == 0) return failure("DDS: zero width or height");
    if (width > kMaxTextureSide || height > kMaxTextureSide) return failure("DDS: larger than 16384 pixels on a side");
    if (caps2 & (kCaps2Cubemap | kCaps2Volume)) return failure("DDS: cube maps and volume textures are not supported");

    DdsKind kind;
    unsigned bytesPerPixel = 0;
    if (pfFlags & kDdpfFourCC) {
        if (pfFourCC == fourCC('D', 'X', 'T', '1')) kind = DdsKind::kDxt1;
        else if (pfFourCC == fourCC('D', 'X', 'T', '3')) kind = DdsKind::kDxt3;
        else if (pfFourCC == fourCC('D', 'X', 'T', '5')) kind = DdsKind::kDxt5;
        else return failure("DDS: unsupported compressed format");
    } else if (pfFlags & kDdpfRgb) {
        if (bitCount != 24 && bitCount != 32) return failure("DDS: only 24- and 32-bit RGB is supported");
        kind = DdsKind::kRgb;
        bytesPerPixel = bitCount / 8;
    } else {
        return failure("DDS: unsupported pixel format");
    }

    std::uint32_t masks[4] = {le32(pf + 16), le32(pf + 20), le32(pf + 24), le32(pf + 28)};
    const bool hasAlpha = kind == DdsKind::kRgb && (pfFlags & kDdpfAlphaPixels) && masks[3] != 0;
    if (kind == DdsKind::kRgb) {
        const std::uint64_t limit = bitCount == 32 ? 0xFFFFFFFFull : 0xFFFFFFull;
        for (int k = 0; k < (hasAlpha ? 4 : 3); ++k)
            if (!contiguous(masks[k]) || masks[k] > limit) return failure("DDS: channel mask is empty, split or too wide");
    }

    unsigned levels = 1;
    if ((flags & kDdsdMipMapCount) && mipCountField > 1) {
        if (mipCountField > fullMipCount(width, height)) return failure("DDS: more mip levels than the size allows");
        levels = mipCountField;
    }

    DecodedTexture out;
    std::size_t offset = kDdsHeaderEnd;
    const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    for (unsigned level = 0; level < levels; ++level) {
        const std::uint32_t w = std::max(1u, width >> level), hgt = std::max(1u, height >> level);
        std::uint64_t size;
        if (kind == DdsKind::kRgb)
            size = std::uint64_t(w) * bytesPerPixel * hgt;
        else
            size = std::uint64_t(std::max(1u, (w + 3) / 4)) * std::max(1u, (hgt + 3) / 4) * (kind == DdsKind::kDxt1 ? 8 : 16);
        if (size > bytes.size() - offset)
            return failure("DDS: file ends inside mip level " + std::to_string(level));
        Image img;
        img.width = w;
        img.height = hgt;
        img.rgba.resize(std::size_t(w) * hgt * 4);
        if (kind == DdsKind::kRgb)
            decodeRgbLevel(p + offset, w, hgt, bytesPerPixel, r, g, b, hasAlpha ? &a : nullptr, img);
        else
            decodeBlockLevel(p + offset, w, hgt, kind, img);
        out.levels.push_back(std::move(img));
        offset += static_cast<std::size_t>(size);
    }
    out.ok = true;
    return out;
}

DecodedTexture decodeCommonImage(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return failure("image: empty file");
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return failure("image: file too large");
    if (const std::string problem = containerProblem(bytes); !problem.empty()) return failure(problem);
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
    if (!pixels) return failure(std::string("image: ") + stbi_failure_reason());
    if (w <= 0 || h <= 0 || std::uint32_t(w) > kMaxTextureSide || std::uint32_t(h) > kMaxTextureSide) {
        stbi_image_free(pixels);
        return failure("image: size out of range");
    }
    DecodedTexture out;
    Image img;
    img.width = static_cast<std::uint32_t>(w);
    img.height = static_cast<std::uint32_t>(h);
    img.rgba.assign(pixels, pixels + std::size_t(w) * std::size_t(h) * 4);
    stbi_image_free(pixels);
    out.levels.push_back(std::move(img));
    out.ok = true;
    return out;
}

DecodedTexture decodeTexture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "DDS ", 4) == 0) return decodeDds(bytes);
    return decodeCommonImage(bytes);
}

void completeMipChain(std::vector<Image>& levels) {
    if (levels.empty()) return;
    const unsigned total = fullMipCount(levels[0].width, levels[0].height);
    while (levels.size() < total) {
        const Image& src = levels.back();
        Image dst;
        dst.width = std::max(1u, src.width / 2);
        dst.height = std::max(1u, src.height / 2);
        dst.rgba.resize(std::size_t(dst.width) * dst.height * 4);
        for (std::uint32_t y = 0; y < dst.height; ++y)
            for (std::uint32_t x = 0; x < dst.width; ++x) {
                const std::uint32_t x0 = std::min(src.width - 1, 2 * x), x1 = std::min(src.width - 1, 2 * x + 1);
                const std::uint32_t y0 = std::min(src.height - 1, 2 * y), y1 = std::min(src.height - 1, 2 * y + 1);
                for (int k = 0; k < 4; ++k) {
                    auto at = [&](std::uint32_t sx, std::uint32_t sy) { return unsigned(src.rgba[(std::size_t(sy) * src.width + sx) * 4 + k]); };
                    dst.rgba[(std::size_t(y) * dst.width + x) * 4 + k] =
                        static_cast<std::uint8_t>((at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1) + 2) / 4);
                }
            }
        levels.push_back(std::move(dst));
    }
}

}  // namespace gfx
