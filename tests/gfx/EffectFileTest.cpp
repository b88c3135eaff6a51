// The effect file reader on the shipped effect, on good variations and on a table of malformed
// files, and the GLSL text it hands to the compiler.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "gfx/EffectFile.h"

namespace {

const char* const kMinimal =
    "gfx-effect 1\n"
    "parameter float4x4 m\n"
    "source vs\n"
    "void main() { gl_Position = m * vec4(0.0); }\n"
    "end\n"
    "source fs\n"
    "out vec4 c;\n"
    "void main() { c = vec4(1.0); }\n"
    "end\n"
    "technique T\n"
    "pass 0 vs fs\n";

TEST(EffectFile, ShippedEffectHasTheSceneTechniqueAndParameters) {
    const auto read = gfx::readEffectFile(FLUID_ASSET_DIR "/shader.bin");
    ASSERT_TRUE(read.ok) << read.error;
    const auto* t = read.effect.findTechnique("TStandard");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->passes.size(), 4u);
    const std::pair<const char*, gfx::ParameterType> params[] = {
        {"matWorldViewProj", gfx::ParameterType::kFloat4x4}, {"matWorldView", gfx::ParameterType::kFloat4x4},
        {"matProj", gfx::ParameterType::kFloat4x4},          {"eyePosition", gfx::ParameterType::kFloat4},
        {"Texture", gfx::ParameterType::kTexture}};
    for (const auto& [name, type] : params) {
        const auto* p = read.effect.findParameter(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->type, type) << name;
    }
    // No source reads the undefined fourth component of the eye position (nor the eye at all).
    for (const auto& s : read.effect.sources) EXPECT_EQ(s.text.find("eyePosition"), std::string::npos) << s.name;
}

TEST(EffectFile, MinimalEffectAndItsStageText) {
    const auto read = gfx::parseEffect(kMinimal, "mini.fx");
    ASSERT_TRUE(read.ok) << read.error;
    const auto* vs = read.effect.findSource("vs");
    ASSERT_NE(vs, nullptr);
    EXPECT_EQ(vs->firstLine, 4u);
    EXPECT_EQ(gfx::stageText(read.effect, *vs),
              "#version 330 core\n"
              "uniform mat4 m;\n"
              "uniform int gfxPointSprite;\nuniform vec2 gfxViewportSize;\n"
              "#line 4\n"
              "void main() { gl_Position = m * vec4(0.0); }\n");
}

TEST(EffectFile, AcceptsCrlfCommentsAndBlankLines) {
    std::string text;
    for (const char* p = kMinimal; *p; ++p) {
        if (*p == '\n') text += "\r\n\r\n# note\r\n";
        else text += *p;
    }
    const auto read = gfx::parseEffect(text, "crlf.fx");
    ASSERT_TRUE(read.ok) << read.error;
    // Comment-like lines inside a source block are GLSL and stay.
    EXPECT_NE(read.effect.findSource("vs")->text.find("# note"), std::string::npos);
}

struct BadEffect {
    const char* name;
    std::string text;
    const char* error;  // expected "<file>:<line>: ..." prefix and fragment
};

void PrintTo(const BadEffect& row, std::ostream* out) { *out << row.name; }

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

const BadEffect kBad[] = {
    {"Empty", "", "bad.fx:0: empty file"},
    {"NoHeader", "parameter float4 a\n", "bad.fx:1: not an effect file"},
    {"OtherVersion", replaced(kMinimal, "gfx-effect 1", "gfx-effect 2"), "bad.fx:1: unsupported effect format version 2"},
    {"UnknownDirective", std::string(kMinimal) + "sampler s\n", "bad.fx:12: unknown directive \"sampler\""},
    {"UnknownType", replaced(kMinimal, "float4x4", "float3x3"), "bad.fx:2: unknown parameter type"},
    {"BadName", replaced(kMinimal, "parameter float4x4 m", "parameter float4x4 9m"), "bad.fx:2: bad parameter name"},
    {"ReservedName", replaced(kMinimal, "parameter float4x4 m", "parameter float4 gfxPointSprite"), "bad.fx:2: parameter \"gfxPointSprite\""},
    {"DuplicateParameter", replaced(kMinimal, "source vs", "parameter float4 m\nsource vs"), "bad.fx:3: parameter \"m\" declared twice"},
    {"UnterminatedSource", "gfx-effect 1\nsource vs\nvoid main() {}\n", "bad.fx:3: source \"vs\" has no \"end\""},
    {"DuplicateSource", replaced(kMinimal, "source fs", "source vs"), "bad.fx:6: source \"vs\" declared twice"},
    {"PassOutsideTechnique", replaced(kMinimal, "technique T\n", ""), "bad.fx:10: pass outside a technique"},
    {"PassGap", replaced(kMinimal, "pass 0", "pass 1"), "bad.fx:11: pass 1 out of order (expected 0)"},
    {"PassMissingSource", replaced(kMinimal, "pass 0 vs fs", "pass 0 vs ps"), "names missing source \"ps\""},
    {"PassTooFewWords", replaced(kMinimal, "pass 0 vs fs", "pass 0 vs"), "bad.fx:11: expected: pass"},
    {"PassIndexNotNumber", replaced(kMinimal, "pass 0 vs fs", "pass x vs fs"), "bad.fx:11: expected: pass"},
    {"NoTechnique", replaced(kMinimal, "technique T\npass 0 vs fs\n", ""), "no technique"},
    {"TechniqueWithoutPass", replaced(kMinimal, "pass 0 vs fs\n", ""), "technique \"T\" has no pass"},
    {"NulByte", std::string(kMinimal) + std::string(1, '\0'), "NUL byte"},
    {"TooLarge", std::string(kMinimal) + std::string(gfx::kMaxEffectFileSize, '#'), "larger than 1 MiB"},
    {"BinaryFile", std::string("\x89PNG\r\n\x1a\n\xff\xfe", 10), "bad.fx:1: not an effect file"},
    {"BinaryDirective", std::string(kMinimal) + "\xff\xfe\x01 x\n", "bad.fx:12: unknown directive"},
    {"HeaderOnly", "gfx-effect 1\n", "bad.fx:1: no technique"},
    {"UnterminatedSourceAtTheEnd", std::string(kMinimal) + "source late\nvoid f() {}", "bad.fx:13: source \"late\" has no \"end\""},
    {"SeventeenPasses", [] {
         std::string text = kMinimal;
         for (int i = 1; i <= 16; ++i) text += "pass " + std::to_string(i) + " vs fs\n";
         return text;
     }(), "bad.fx:27: too many passes"},
};

class EffectFileRejects : public ::testing::TestWithParam<BadEffect> {};

TEST_P(EffectFileRejects, WithItsLineAndReason) {
    const auto read = gfx::parseEffect(GetParam().text, "bad.fx");
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.error.find(GetParam().error), std::string::npos) << read.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, EffectFileRejects, ::testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

// The i-th of the 3-character identifiers (none starting with the reserved "gfx"): equal lengths
// make every name comparison read bytes.
std::string shortName(int i) {
    static const std::string first = "abcdefhijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static const std::string next = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
    return {first[i / (63 * 63) % 51], next[i / 63 % 63], next[i % 63]};
}

TEST(EffectFile, LargestFilesOfManyNamesReadInLinearTime) {
    // A file of up to 1 MiB holds tens of thousands of names. Checking each new one against the
    // lists read so far took seconds per file; the reader must stay well under a second (three
    // seconds leave room for sanitizers and a busy machine).
    struct Case {
        const char* what;
        std::string (*line)(int);
        const char* tail;
        const char* error;  // nullptr: the file is good
    };
    const Case cases[] = {
        {"sources", [](int i) { return "source " + shortName(i) + "\nend\n"; }, "technique T\npass 0 abc abc\n", nullptr},
        {"parameters", [](int i) { return "parameter float4 " + shortName(i) + "\n"; },
         "source a\nend\ntechnique T\npass 0 a a\n", nullptr},
        {"techniques", [](int i) { return "technique " + shortName(i) + "\n"; }, "", "technique \"aaa\" has no pass"},
    };
    for (const Case& c : cases) {
        std::string text = "gfx-effect 1\n";
        for (int i = 0; text.size() + 100 < gfx::kMaxEffectFileSize; ++i) text += c.line(i);
        text += c.tail;
        ASSERT_LE(text.size(), gfx::kMaxEffectFileSize);
        const auto start = std::chrono::steady_clock::now();
        const auto read = gfx::parseEffect(text, "large.fx");
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (c.error) EXPECT_NE(read.error.find(c.error), std::string::npos) << c.what << ": " << read.error;
        else EXPECT_TRUE(read.ok) << c.what << ": " << read.error;
        EXPECT_LT(seconds, 3.0) << c.what;
    }
}

TEST(EffectFile, MissingFileNamesThePath) {
    const auto read = gfx::readEffectFile("/nonexistent/dir/shader.bin");
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.error.find("\"/nonexistent/dir/shader.bin\""), std::string::npos) << read.error;
    EXPECT_NE(read.error.find("No such file"), std::string::npos) << read.error;
}

TEST(EffectFile, DirectoryIsUnreadable) {
    const auto read = gfx::readEffectFile("/");
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.error.find("cannot read effect file \"/\""), std::string::npos) << read.error;
}

}  // namespace
