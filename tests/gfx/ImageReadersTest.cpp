// The texture readers: DDS in every handled layout against hand-made files, a table of malformed
// files, truncation and corruption sweeps, the stb formats, the mip chain, and the shipped
// textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include "gfx/ImageReaders.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t kFlagsMipCount = 0x20000;
constexpr std::uint32_t kPfAlpha = 0x1, kPfFourCC = 0x4, kPfRgb = 0x40;

// A DDS header (128 bytes) followed by data.
struct Dds {
    std::uint32_t width = 2, height = 2, mipCount = 0, flags = 0x1007;
    std::uint32_t pfFlags = kPfRgb | kPfAlpha, fourCC = 0, bits = 32;
    std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::uint32_t caps2 = 0;
    Bytes data;

    Bytes bytes() const {
        Bytes b(128, 0);
        std::memcpy(b.data(), "DDS ", 4);
        put32(b, 4, 124);
        put32(b, 8, flags | (mipCount ? kFlagsMipCount : 0));
        put32(b, 12, height);
        put32(b, 16, width);
        put32(b, 28, mipCount);
        put32(b, 76, 32);
        put32(b, 80, pfFlags);
        put32(b, 84, fourCC);
        put32(b, 88, bits);
        for (int i = 0; i < 4; ++i) put32(b, 92 + 4 * i, masks[i]);
        put32(b, 108, 0x1000);
        put32(b, 112, caps2);
        b.resize(128 + data.size());
        if (!data.empty()) std::memcpy(b.data() + 128, data.data(), data.size());
        return b;
    }
};

std::uint32_t fourCC(const char* s) { return std::uint32_t(s[0]) | s[1] << 8 | s[2] << 16 | std::uint32_t(s[3]) << 24; }

Bytes argb(std::initializer_list<std::uint32_t> pixels) {
    Bytes out;
    for (std::uint32_t p : pixels)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(p >> (8 * i)));
    return out;
}

std::vector<std::uint8_t> pixel(const gfx::Image& img, std::uint32_t x, std::uint32_t y) {
    const auto* p = img.rgba.data() + (std::size_t(y) * img.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}
using Px = std::vector<std::uint8_t>;

TEST(DdsReader, Uncompressed32BitWithAlpha) {
    Dds d;
    d.data = argb({0x80FF0000, 0xFF00FF00, 0x000000FF, 0x40102030});
    const auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    ASSERT_EQ(t.levels.size(), 1u);
    const auto& img = t.levels[0];
    EXPECT_EQ(img.width, 2u);
    EXPECT_EQ(pixel(img, 0, 0), (Px{255, 0, 0, 128}));
    EXPECT_EQ(pixel(img, 1, 0), (Px{0, 255, 0, 255}));
    EXPECT_EQ(pixel(img, 0, 1), (Px{0, 0, 255, 0}));
    EXPECT_EQ(pixel(img, 1, 1), (Px{0x10, 0x20, 0x30, 0x40}));
}

TEST(DdsReader, Uncompressed32BitWithoutAlphaIsOpaque) {
    Dds d;
    d.pfFlags = kPfRgb;
    d.width = d.height = 1;
    d.data = argb({0x00102030});
    const auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(pixel(t.levels[0], 0, 0), (Px{0x10, 0x20, 0x30, 255}));
}

TEST(DdsReader, Uncompressed32BitInBgrOrder) {
    Dds d;
    d.width = d.height = 1;
    d.masks[0] = 0x000000FF;
    d.masks[2] = 0x00FF0000;
    d.data = argb({0x80302010});
    const auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(pixel(t.levels[0], 0, 0), (Px{0x10, 0x20, 0x30, 0x80}));
}

TEST(DdsReader, Uncompressed24BitRowsArePacked) {
    Dds d;
    d.width = 3;
    d.height = 1;
    d.pfFlags = kPfRgb;
    d.bits = 24;
    d.masks[3] = 0;
    d.data = {0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 0x21, 0x22, 0x23};  // B, G, R per pixel
    const auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(pixel(t.levels[0], 0, 0), (Px{0x03, 0x02, 0x01, 255}));
    EXPECT_EQ(pixel(t.levels[0], 2, 0), (Px{0x23, 0x22, 0x21, 255}));
}

TEST(DdsReader, KeepsTheFileMipLevelsAndCompletesTheChain) {
    Dds d;
    d.width = 4;
    d.height = 2;
    d.mipCount = 2;
    Bytes level0 = argb({1, 1, 1, 1, 1, 1, 1, 1});
    Bytes level1 = argb({0xFF00FF00, 0xFF0000FF});  // 2 x 1
    d.data = level0;
    d.data.insert(d.data.end(), level1.begin(), level1.end());
    auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    ASSERT_EQ(t.levels.size(), 2u);
    EXPECT_EQ(t.levels[1].width, 2u);
    EXPECT_EQ(t.levels[1].height, 1u);
    EXPECT_EQ(pixel(t.levels[1], 1, 0), (Px{0, 0, 255, 255}));
    gfx::completeMipChain(t.levels);
    ASSERT_EQ(t.levels.size(), 3u);
    EXPECT_EQ(t.levels[2].width, 1u);
    // Average of green and blue, rounded.
    EXPECT_EQ(pixel(t.levels[2], 0, 0), (Px{0, 128, 128, 255}));
}

// One DXT1 block: colour 0 pure red, colour 1 pure blue, texel indices 0, 1, 2, 3 along the top row.
Bytes dxt1Block(std::uint16_t c0, std::uint16_t c1) {
    return {static_cast<std::uint8_t>(c0), static_cast<std::uint8_t>(c0 >> 8), static_cast<std::uint8_t>(c1),
            static_cast<std::uint8_t>(c1 >> 8), 0xE4, 0, 0, 0};
}

TEST(DdsReader, Dxt1FourColourAndThreeColourBlocks) {
    Dds d;
    d.width = d.height = 4;
    d.pfFlags = kPfFourCC;
    d.fourCC = fourCC("DXT1");
    d.data = dxt1Block(0xF800, 0x001F);  // red > blue: four colours
    auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(pixel(t.levels[0], 0, 0), (Px{255, 0, 0, 255}));
    EXPECT_EQ(pixel(t.levels[0], 1, 0), (Px{0, 0, 255, 255}));
    EXPECT_EQ(pixel(t.levels[0], 2, 0), (Px{170, 0, 85, 255}));
    EXPECT_EQ(pixel(t.levels[0], 3, 0), (Px{85, 0, 170, 255}));
    EXPECT_EQ(pixel(t.levels[0], 0, 3), (Px{255, 0, 0, 255}));

    d.data = dxt1Block(0x001F, 0xF800);  // blue < red: three colours and transparent black
    t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(pixel(t.levels[0], 2, 0), (Px{127, 0, 127, 255}));
    EXPECT_EQ(pixel(t.levels[0], 3, 0), (Px{0, 0, 0, 0}));
}

TEST(DdsReader, Dxt3ExplicitAlpha) {
    Dds d;
    d.width = d.height = 4;
    d.pfFlags = kPfFourCC;
    d.fourCC = fourCC("DXT3");
    d.data = {0x0F, 0xF0, 0, 0, 0, 0, 0, 0};  // texel 0 alpha 15, texel 3 alpha 15 -> 255
    const Bytes colour = dxt1Block(0x001F, 0xF800);  // four-colour mode even though c0 < c1
    d.data.insert(d.data.end(), colour.begin(), colour.end());
    const auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(pixel(t.levels[0], 0, 0), (Px{0, 0, 255, 255}));
    EXPECT_EQ(pixel(t.levels[0], 1, 0)[3], 0);
    EXPECT_EQ(pixel(t.levels[0], 3, 0), (Px{170, 0, 85, 255}));
}

TEST(DdsReader, Dxt5InterpolatedAlphaOnAnOddSize) {
    Dds d;
    d.width = 5;
    d.height = 3;
    d.pfFlags = kPfFourCC;
    d.fourCC = fourCC("DXT5");
    // Two blocks. Alpha 0 = 255, alpha 1 = 0, indices 0, 1, 2, 7 along the first row.
    Bytes block = {255, 0, 0b10001000, 0b00001110, 0, 0, 0, 0};
    const Bytes colour = dxt1Block(0xFFFF, 0x0000);
    block.insert(block.end(), colour.begin(), colour.end());
    d.data = block;
    d.data.insert(d.data.end(), block.begin(), block.end());
    const auto t = gfx::decodeDds(d.bytes());
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(t.levels[0].rgba.size(), 5u * 3 * 4);
    EXPECT_EQ(pixel(t.levels[0], 0, 0)[3], 255);
    EXPECT_EQ(pixel(t.levels[0], 1, 0)[3], 0);
    EXPECT_EQ(pixel(t.levels[0], 2, 0)[3], (6 * 255) / 7);
    EXPECT_EQ(pixel(t.levels[0], 3, 0)[3], (1 * 255) / 7);
    EXPECT_EQ(pixel(t.levels[0], 4, 0)[3], 255);  // first texel of the second block
}

struct BadDds {
    const char* name;
    Bytes bytes;
    const char* error;
};

void PrintTo(const BadDds& row, std::ostream* out) { *out << row.name; }

Dds goodRgba() {
    Dds d;
    d.data = argb({1, 2, 3, 4});
    return d;
}

Bytes mutated(void (*change)(Dds&)) {
    Dds d = goodRgba();
    change(d);
    return d.bytes();
}

Bytes cut(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}

Bytes patched(std::size_t at, std::uint32_t value) {
    Bytes b = goodRgba().bytes();
    put32(b, at, value);
    return b;
}

const BadDds kBadDds[] = {
    {"Empty", {}, "shorter than its header"},
    {"HeaderCut", cut(goodRgba().bytes(), 127), "shorter than its header"},
    {"BadMagic", patched(0, fourCC("DDX ")), "bad magic"},
    {"HeaderSize", patched(4, 123), "header size"},
    {"PixelFormatSize", patched(76, 31), "pixel format size"},
    {"ZeroWidth", mutated([](Dds& d) { d.width = 0; }), "zero width"},
    {"ZeroHeight", mutated([](Dds& d) { d.height = 0; }), "zero width or height"},
    {"TooWide", mutated([](Dds& d) { d.width = 16385; }), "16384"},
    {"HugeSizeSmallFile", mutated([](Dds& d) { d.width = d.height = 16384; }), "file ends inside mip level 0"},
    {"CubeMap", mutated([](Dds& d) { d.caps2 = 0x200; }), "cube maps"},
    {"Volume", mutated([](Dds& d) { d.caps2 = 0x200000; }), "volume"},
    {"Dx10Header", mutated([](Dds& d) { d.pfFlags = kPfFourCC; d.fourCC = fourCC("DX10"); }), "unsupported compressed"},
    {"Bits16", mutated([](Dds& d) { d.bits = 16; }), "24- and 32-bit"},
    {"NoRgbFlag", mutated([](Dds& d) { d.pfFlags = 0x20000; }), "unsupported pixel format"},
    {"SplitMask", mutated([](Dds& d) { d.masks[0] = 0x00FF00FF; }), "mask"},
    {"EmptyMask", mutated([](Dds& d) { d.masks[1] = 0; }), "mask"},
    {"MaskWiderThan24Bits", mutated([](Dds& d) { d.bits = 24; d.masks[3] = 0; d.masks[0] = 0xFF000000; }), "mask"},
    {"PixelsCut", mutated([](Dds& d) { d.data.pop_back(); }), "file ends inside mip level 0"},
    {"MipCountLies", mutated([](Dds& d) { d.mipCount = 2; }), "file ends inside mip level 1"},
    {"MipCountBeyondChain", mutated([](Dds& d) { d.mipCount = 3; }), "more mip levels"},
    {"Dxt1Cut", mutated([](Dds& d) { d.pfFlags = kPfFourCC; d.fourCC = fourCC("DXT1"); d.width = d.height = 8; d.data.resize(31); }),
     "file ends inside mip level 0"},
    {"Dxt5Cut", mutated([](Dds& d) { d.pfFlags = kPfFourCC; d.fourCC = fourCC("DXT5"); d.width = d.height = 4; d.data.resize(15); }),
     "file ends inside mip level 0"},
};

class DdsReaderRejects : public ::testing::TestWithParam<BadDds> {};

TEST_P(DdsReaderRejects, WithAReason) {
    const auto t = gfx::decodeDds(GetParam().bytes);
    EXPECT_FALSE(t.ok);
    EXPECT_TRUE(t.levels.empty());
    EXPECT_NE(t.error.find(GetParam().error), std::string::npos) << t.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, DdsReaderRejects, ::testing::ValuesIn(kBadDds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DdsReader, EveryTruncationIsAnError) {
    Dds d;
    d.width = d.height = 8;
    d.mipCount = 4;
    d.data.assign((64 + 16 + 4 + 1) * 4, 0x7F);
    const Bytes whole = d.bytes();
    ASSERT_TRUE(gfx::decodeDds(whole).ok);
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(gfx::decodeDds(std::span(whole.data(), n)).ok) << n;
}

TEST(DdsReader, CorruptHeaderWordsNeverReadPastTheFile) {
    // Every header word set to values that stress the size arithmetic; the reader must either
    // decode within the bytes given or refuse.
    const Bytes good = goodRgba().bytes();
    for (std::size_t at = 4; at < 128; at += 4)
        for (std::uint32_t value : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu, 16384u, 0x20000u}) {
            Bytes b = good;
            put32(b, at, value);
            const auto t = gfx::decodeDds(b);
            if (!t.ok) continue;
            for (const auto& level : t.levels) EXPECT_EQ(level.rgba.size(), std::size_t(level.width) * level.height * 4);
        }
}

Bytes encode(const char* format, int w, int h, const std::vector<std::uint8_t>& rgba) {
    Bytes out;
    auto sink = [](void* context, void* data, int size) {
        auto* o = static_cast<Bytes*>(context);
        o->insert(o->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
    };
    const std::string f = format;
    if (f == "png") {
        stbi_write_png_to_func(sink, &out, w, h, 4, rgba.data(), w * 4);
    } else if (f == "bmp") {
        stbi_write_bmp_to_func(sink, &out, w, h, 4, rgba.data());
    } else if (f == "tga") {
        stbi_write_tga_to_func(sink, &out, w, h, 4, rgba.data());
    } else if (f == "jpg") {
        stbi_write_jpg_to_func(sink, &out, w, h, 4, rgba.data(), 100);
    }
    return out;
}

TEST(CommonImageReader, DecodesEachFormatTopRowFirst) {
    // 2 x 2: red, green / blue, white, opaque.
    const std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    for (const char* format : {"png", "bmp", "tga", "jpg"}) {
        const Bytes file = encode(format, 2, 2, rgba);
        ASSERT_FALSE(file.empty()) << format;
        const auto t = gfx::decodeTexture(file);
        ASSERT_TRUE(t.ok) << format << ": " << t.error;
        ASSERT_EQ(t.levels.size(), 1u);
        EXPECT_EQ(t.levels[0].width, 2u);
        const int tolerance = std::string(format) == "jpg" ? 60 : 0;
        for (std::size_t i = 0; i < rgba.size(); ++i)
            EXPECT_NEAR(t.levels[0].rgba[i], rgba[i], tolerance) << format << " byte " << i;
    }
}

TEST(CommonImageReader, EveryTruncationIsAnError) {
    std::vector<std::uint8_t> rgba(16 * 16 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>(i * 7);
    for (const char* format : {"png", "bmp", "tga", "jpg"}) {
        const Bytes file = encode(format, 16, 16, rgba);
        ASSERT_TRUE(gfx::decodeTexture(file).ok) << format;
        for (std::size_t n = 0; n < file.size(); ++n)
            EXPECT_FALSE(gfx::decodeTexture(std::span(file.data(), n)).ok) << format << " cut at " << n;
    }
}

Bytes readTestData(const char* name) {
    std::ifstream in(std::string(FLUID_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A 16 x 16 picture with some detail, encoded by stb_image_write.
Bytes encoded(const char* format) {
    std::vector<std::uint8_t> rgba(16 * 16 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>(i * 13);
    return encode(format, 16, 16, rgba);
}

// Where pattern starts in b (b.size() if nowhere, which withBytes refuses by throwing).
std::size_t find(const Bytes& b, std::initializer_list<std::uint8_t> pattern) {
    const auto at = std::search(b.begin(), b.end(), pattern.begin(), pattern.end());
    return static_cast<std::size_t>(at - b.begin());
}

Bytes withBytes(Bytes b, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t v : bytes) b.at(at++) = v;
    return b;
}

// JPEG: the first Huffman table's 16 code counts (after FF C4, length and class byte).
Bytes jpegWithHuffmanCounts(std::uint8_t last2, std::uint8_t last) {
    const Bytes b = encoded("jpg");
    return withBytes(b, find(b, {0xFF, 0xC4}) + 5 + 14, {last2, last});
}

// JPEG: the frame header's height and width (after FF C0, length and precision).
Bytes jpegWithSize(std::uint16_t width, std::uint16_t height) {
    const Bytes b = encoded("jpg");
    return withBytes(b, find(b, {0xFF, 0xC0}) + 5,
                     {std::uint8_t(height >> 8), std::uint8_t(height), std::uint8_t(width >> 8), std::uint8_t(width)});
}

Bytes bmpWith(std::size_t at, std::initializer_list<std::uint8_t> bytes) { return withBytes(encoded("bmp"), at, bytes); }

struct BadImage {
    const char* name;
    Bytes bytes;
    const char* error;
};

void PrintTo(const BadImage& row, std::ostream* out) { *out << row.name; }

// Malformed BMP, PNG, TGA and JPEG files, each refused before stb_image decodes a picture it
// cannot hold or misreads its tables. The "Found" rows are inputs the fuzz targets found
// (tests/gfx/data); the others make the same faults by hand from a good file.
const BadImage kBadImages[] = {
    // A Huffman table of more than 256 codes overran stb's tables (memory corruption).
    {"FoundJpegHuffmanTableOverflow", readTestData("jpeg-huffman-table-overflow.jpg"), "more than 256 codes"},
    {"JpegHuffmanTableOverflow", jpegWithHuffmanCounts(200, 100), "more than 256 codes"},
    {"JpegHuffmanTableOverflowInLastCounts", jpegWithHuffmanCounts(255, 255), "more than 256 codes"},
    // A picture far larger than the coded data can hold was decoded in full from zero fill.
    {"FoundJpegCodedDataTooShort", readTestData("jpeg-coded-data-too-short.jpg"), "too short for its picture size"},
    {"JpegLargestSizeInATinyFile", jpegWithSize(16384, 16384), "too short for its picture size"},
    {"JpegWideInATinyFile", jpegWithSize(16384, 64), "too short for its picture size"},
    // stb takes 0xFF fill bytes before the start marker; the file must still be whole.
    {"JpegFillBytesBeforeStartCut", [] {
         Bytes b = encoded("jpg");
         b.resize(b.size() / 2);
         b.insert(b.begin(), {0xFF, 0xFF});
         return b;
     }(), "file ends before its end marker"},
    {"JpegZeroWidth", jpegWithSize(0, 16), "image: "},
    {"JpegBeyondSideLimit", jpegWithSize(16385, 1), "image: "},
    // stb allocated the whole picture before refusing the layout: a 1 GiB allocation from 278 bytes.
    {"FoundBmpHugeUnsupportedLayout", readTestData("bmp-huge-unsupported-layout.bmp"), "compression not supported"},
    {"BmpRunLengthEncoded", bmpWith(30, {1}), "compression not supported"},
    {"BmpNegativeCompression", bmpWith(30, {0xFF, 0xFF, 0xFF, 0xFF}), "compression not supported"},
    {"BmpTwoBitsPerPixel", bmpWith(28, {2}), "bits per pixel not supported"},
    {"BmpOddBitsPerPixel", bmpWith(28, {0xFF, 0xDB}), "bits per pixel not supported"},
    {"BmpBeyondSideLimit", bmpWith(18, {0x01, 0x40, 0, 0}), "size out of range"},
    {"BmpNegativeWidth", bmpWith(18, {0xF0, 0xFF, 0xFF, 0xFF}), "size out of range"},
    {"BmpZeroHeight", bmpWith(22, {0, 0, 0, 0}), "size out of range"},
    {"BmpMostNegativeHeight", bmpWith(22, {0, 0, 0, 0x80}), "size out of range"},
    {"BmpLargestSizeInASmallFile", bmpWith(18, {0, 0x40, 0, 0, 0, 0x40, 0, 0}), "file ends inside the pixels"},
    {"BmpPixelsBeyondTheEnd", bmpWith(10, {0xFF, 0xFF, 0, 0}), "file ends inside the pixels"},
    // stb allocated the picture the header names (here 280 MB from 89 bytes) before inflating.
    {"FoundPngCompressedDataTooShort", readTestData("png-compressed-data-too-short.png"), "compressed data too short"},
    {"PngLargestSizeInASmallFile", withBytes(encoded("png"), 16, {0, 0, 0x40, 0, 0, 0, 0x40, 0}), "compressed data too short"},
    {"PngBeyondSideLimit", withBytes(encoded("png"), 16, {0, 0, 0x40, 0x01}), "image: "},
    {"PngChunkLongerThanTheFile", withBytes(encoded("png"), 33, {0x7F, 0xFF, 0xFF, 0xFF}), "file ends inside a chunk"},
    {"TgaLargestSizeInASmallFile", withBytes(encoded("tga"), 12, {0xFF, 0xFF, 0xFF, 0xFF}), "TGA: file ends inside the pixels"},
};

class CommonImageReaderRejects : public ::testing::TestWithParam<BadImage> {};

TEST_P(CommonImageReaderRejects, WithAReason) {
    const auto t = gfx::decodeTexture(GetParam().bytes);
    EXPECT_FALSE(t.ok);
    EXPECT_TRUE(t.levels.empty());
    EXPECT_NE(t.error.find(GetParam().error), std::string::npos) << t.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, CommonImageReaderRejects, ::testing::ValuesIn(kBadImages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommonImageReader, GoodFilesNextToTheMalformedOnesDecode) {
    // The rows above change one field of these files, so the refusals come from that field.
    for (const char* format : {"png", "bmp", "tga", "jpg"}) EXPECT_TRUE(gfx::decodeTexture(encoded(format)).ok) << format;
    Bytes filled = encoded("jpg");
    filled.insert(filled.begin(), {0xFF, 0xFF});
    EXPECT_TRUE(gfx::decodeTexture(filled).ok);
}

// Fills and frees blocks of 1 to 96 KiB, so that the decoder's next allocations of such sizes
// find these bytes where they land.
void dirtyTheHeap(std::uint8_t value) {
    static void* (*volatile fill)(void*, int, std::size_t) = std::memset;
    std::vector<void*> blocks;
    for (std::size_t size = 1024; size <= 96 * 1024; size += 1024) blocks.push_back(fill(std::malloc(size), value, size));
    for (void* block : blocks) std::free(block);
}

TEST(CommonImageReader, JpegTablesTheFileNeverDefinesDoNotReadStaleMemory) {
    // Found by the fuzz target: scans that use Huffman tables the file never defined. stb read
    // them from its freshly allocated state and indexed far outside its tables with what was
    // there. Whatever the heap held before, the picture decodes, and always to the same pixels.
    const Bytes file = readTestData("jpeg-undefined-huffman-table.jpg");
    dirtyTheHeap(0x00);
    const auto clean = gfx::decodeTexture(file);
    dirtyTheHeap(0xA5);
    const auto dirty = gfx::decodeTexture(file);
    ASSERT_TRUE(clean.ok) << clean.error;
    ASSERT_TRUE(dirty.ok) << dirty.error;
    EXPECT_EQ(clean.levels[0].width, 16u);
    EXPECT_EQ(clean.levels[0].rgba, dirty.levels[0].rgba);
}

TEST(CommonImageReader, RejectsForeignBytes) {
    const Bytes noise = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_FALSE(gfx::decodeTexture(noise).ok);
    EXPECT_FALSE(gfx::decodeTexture({}).ok);
}

TEST(MipChain, GoesDownToOnePixelOnTheLongerSide) {
    EXPECT_EQ(gfx::fullMipCount(1, 1), 1u);
    EXPECT_EQ(gfx::fullMipCount(64, 64), 7u);
    EXPECT_EQ(gfx::fullMipCount(128, 2), 8u);
    EXPECT_EQ(gfx::fullMipCount(5, 3), 3u);
    std::vector<gfx::Image> levels(1);
    levels[0].width = 5;
    levels[0].height = 3;
    levels[0].rgba.assign(5 * 3 * 4, 10);
    gfx::completeMipChain(levels);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1].width, 2u);
    EXPECT_EQ(levels[1].height, 1u);
    EXPECT_EQ(levels[2].width, 1u);
    EXPECT_EQ(levels[2].height, 1u);
    EXPECT_EQ(levels[2].rgba[0], 10);
}

Bytes readAsset(const char* name) {
    std::ifstream in(std::string(FLUID_ASSET_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(ShippedTextures, ParticleSpriteIsABrightRoundBlob) {
    const auto t = gfx::decodeTexture(readAsset("graph.bmp"));
    ASSERT_TRUE(t.ok) << t.error;
    const auto& img = t.levels[0];
    EXPECT_EQ(img.width, img.height);
    EXPECT_GE(pixel(img, img.width / 2, img.height / 2)[0], 240);
    EXPECT_EQ(pixel(img, 0, 0), (Px{0, 0, 0, 255}));
    EXPECT_EQ(pixel(img, img.width - 1, img.height - 1), (Px{0, 0, 0, 255}));
}

TEST(ShippedTextures, ObstacleSpriteIsAnOpaqueSphereWithTransparentCorners) {
    const auto t = gfx::decodeTexture(readAsset("torvanine.dds"));
    ASSERT_TRUE(t.ok) << t.error;
    const auto& img = t.levels[0];
    EXPECT_EQ(img.width, 128u);
    EXPECT_EQ(img.height, 128u);
    EXPECT_EQ(pixel(img, 64, 64)[3], 255);
    EXPECT_EQ(pixel(img, 0, 0)[3], 0);
    EXPECT_EQ(pixel(img, 127, 127)[3], 0);
    EXPECT_EQ(pixel(img, 127, 0)[3], 0);
}

}  // namespace
