// The OpenGL backend for real, on a hidden window under Xvfb: Render's start-up with the shipped
// effect, the shipped textures, and a frame of point sprites, lines and blended faces read back
// from the back buffer and checked where and in which colour they land. Also the real compiler's
// error text and the pacing of present().
#include <gtest/gtest.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "gfx/GlWindow.h"
#include "gfx/Render.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr std::uint32_t kBackground = 0xFF404040;

struct Vertex {
    float x, y, z, w;
    std::uint32_t colour;
};
static_assert(sizeof(Vertex) == 20);

std::vector<std::string> messages;
void collectMessage(void*, const char* text, const char* caption) {
    messages.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
}

struct Rgb {
    int r, g, b;
};

class GlEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setMessageBoxSink(collectMessage);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_TRUE(gfx::prepareWindowSystem()) << SDL_GetError();
        window = SDL_CreateWindow("gfx end-to-end", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth, kHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        started = render.init(window, kWidth, kHeight, true);
    }
    static void TearDownTestSuite() {
        render.release();
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
        setMessageBoxSink(nullptr);
    }
    void SetUp() override {
        ASSERT_TRUE(started) << (messages.empty() ? "no message" : messages.front());
    }

    static SDL_Window* window;
    static bool started;
};
SDL_Window* GlEndToEnd::window = nullptr;
bool GlEndToEnd::started = false;

TEST_F(GlEndToEnd, CapabilitiesComeFromTheDriver) {
    gfx::Caps caps;
    ASSERT_EQ(render.d3d->getDeviceCaps(0, gfx::kDeviceHal, &caps), gfx::kOk);
    EXPECT_GE(caps.vertexShaderVersion, gfx::vertexShaderVersion(3, 0));
    gfx::AdapterIdentifier id;
    ASSERT_EQ(render.d3d->getAdapterIdentifier(0, 0, &id), gfx::kOk);
    EXPECT_STREQ(id.description, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
}

// Where a point of the z = 0 plane lands for the camera of DrawsAFrame, in pixels from the top left.
struct Screen {
    int x, y;
};
Screen project(float x, float y) {
    const float yScale = 1.0f / std::tan(3.14159265f / 8);
    const float ndcX = x * yScale * 0.75f / 32, ndcY = y * yScale / 32;
    return {int(std::lround((ndcX + 1) / 2 * kWidth - 0.5f)), int(std::lround((1 - ndcY) / 2 * kHeight - 0.5f))};
}

class Frame {
public:
    explicit Frame(const std::vector<std::uint8_t>& rgba) : rgba_(rgba) {}
    Rgb at(int x, int y) const {
        const auto* p = rgba_.data() + (std::size_t(y) * kWidth + x) * 4;
        return {p[0], p[1], p[2]};
    }
    bool isBackground(int x, int y) const {
        const Rgb c = at(x, y);
        return c.r == 0x40 && c.g == 0x40 && c.b == 0x40;
    }

private:
    const std::vector<std::uint8_t>& rgba_;
};

std::string describe(Rgb c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

TEST_F(GlEndToEnd, DrawsSpritesLinesAndBlendedFaces) {
    gfx::Device* device = render.device;
    gfx::Effect* effect = render.effect;

    gfx::Texture* particle = nullptr;
    gfx::Texture* obstacle = nullptr;
    ASSERT_EQ(gfx::createTextureFromFile(device, FLUID_ASSET_DIR "/torvanine.dds", &obstacle), gfx::kOk);
    ASSERT_EQ(gfx::createTextureFromFile(device, FLUID_ASSET_DIR "/graph.bmp", &particle), gfx::kOk);
    const gfx::VertexElement elements[] = {
        {0, 0, gfx::kDeclTypeFloat4, gfx::kDeclMethodDefault, gfx::kDeclUsagePosition, 0},
        {0, 16, gfx::kDeclTypeColor, gfx::kDeclMethodDefault, gfx::kDeclUsageColor, 0},
        gfx::kDeclEnd};
    gfx::VertexDeclaration* declaration = nullptr;
    ASSERT_EQ(device->createVertexDeclaration(elements, &declaration), gfx::kOk);

    // Camera on the z axis at 32, looking at the origin; the world is not turned.
    gfx::Matrix view, proj, viewProj;
    const gfx::Vector3 eye{0, 0, 32}, at{0, 0, 0}, up{0, 1, 0};
    gfx::matrixLookAtRH(&view, &eye, &at, &up);
    gfx::matrixPerspectiveFovRH(&proj, 3.14159265f / 4, 4.0f / 3.0f, 1, 1000);
    gfx::matrixMultiply(&viewProj, &view, &proj);

    device->beginScene();
    device->setRenderState(gfx::kZWriteEnable, 1);
    device->setRenderState(gfx::kAlphaBlendEnable, 0);
    device->setRenderState(gfx::kBlendOp, gfx::kBlendOpAdd);
    device->setRenderState(gfx::kSrcBlend, gfx::kBlendSrcAlpha);
    device->setRenderState(gfx::kDestBlend, gfx::kBlendInvSrcAlpha);
    device->clear(0, nullptr, gfx::kClearTarget | gfx::kClearZBuffer, kBackground, 1.0f, 0);
    device->setVertexDeclaration(declaration);
    effect->setMatrix(effect->getParameterByName(nullptr, "matWorldViewProj"), &viewProj);
    effect->setMatrix(effect->getParameterByName(nullptr, "matWorldView"), &view);
    effect->setMatrix(effect->getParameterByName(nullptr, "matProj"), &proj);
    const gfx::Vector4 eyePosition{0, 0, 32, std::nanf("")};
    effect->setVector(effect->getParameterByName(nullptr, "eyePosition"), &eyePosition);
    ASSERT_EQ(effect->setTechnique("TStandard"), gfx::kOk);
    ASSERT_EQ(effect->begin(nullptr, gfx::kEffectDoNotSaveState), gfx::kOk);

    // An opaque yellow square at z = 2 on the right, writing depth (pass 0, no blending).
    const Vertex wall[4] = {{4, -6, 2, 0, 0xFFFFFF00}, {12, -6, 2, 0, 0xFFFFFF00}, {4, -2, 2, 0, 0xFFFFFF00}, {12, -2, 2, 0, 0xFFFFFF00}};
    ASSERT_EQ(effect->beginPass(0), gfx::kOk);
    device->drawPrimitiveUP(gfx::kTriangleStrip, 2, wall, sizeof(Vertex));
    effect->endPass();

    // Particles (pass 1): a red one in the open, one behind the wall (hidden), one in front of it.
    effect->setTexture(effect->getParameterByName(nullptr, "Texture"), particle);
    const Vertex particles[3] = {{-8, 4, 0, 2, 0xFFFF0000}, {6, -4, -2, 2, 0xFF00FF00}, {10, -4, 6, 2, 0xFFFF0000}};
    ASSERT_EQ(effect->beginPass(1), gfx::kOk);
    device->setRenderState(gfx::kPointSpriteEnable, 1);
    device->drawPrimitiveUP(gfx::kPointList, 3, particles, sizeof(Vertex));
    device->setRenderState(gfx::kPointSpriteEnable, 0);
    effect->endPass();

    // The obstacle (pass 2, blended): opaque above, translucent below.
    effect->setTexture(effect->getParameterByName(nullptr, "Texture"), obstacle);
    ASSERT_EQ(effect->beginPass(2), gfx::kOk);
    device->setRenderState(gfx::kAlphaBlendEnable, 1);
    const Vertex spheres[2] = {{8, 6, 0, 4, 0xFFFFFFFF}, {-8, -5, 0, 4, 0x80FFFFFF}};
    device->setRenderState(gfx::kPointSpriteEnable, 1);
    device->drawPrimitiveUP(gfx::kPointList, 2, spheres, sizeof(Vertex));
    device->setRenderState(gfx::kPointSpriteEnable, 0);
    effect->endPass();

    // Pass 0 without depth writes and with blending: a green line and a half-transparent blue
    // quad drawn through indices.
    device->setRenderState(gfx::kZWriteEnable, 0);
    device->setRenderState(gfx::kAlphaBlendEnable, 1);
    ASSERT_EQ(effect->beginPass(0), gfx::kOk);
    const Vertex line[2] = {{-12, -9, 0, 0, 0xFF00FF00}, {12, -9, 0, 0, 0xFF00FF00}};
    device->drawPrimitiveUP(gfx::kLineList, 1, line, sizeof(Vertex));
    const Vertex quad[4] = {{-3, 6, 0, 0, 0x800000FF}, {3, 6, 0, 0, 0x800000FF}, {3, 10, 0, 0, 0x800000FF}, {-3, 10, 0, 0, 0x800000FF}};
    const std::uint16_t quadIndices[4] = {0, 1, 3, 2};
    EXPECT_EQ(device->drawIndexedPrimitiveUP(gfx::kTriangleStrip, 0, 4, 2, quadIndices, gfx::kIndex16, quad, sizeof(Vertex)), gfx::kOk);
    // An index outside the vertices passed is refused, not drawn.
    const std::uint16_t badIndices[4] = {0, 1, 3, 4};
    EXPECT_EQ(device->drawIndexedPrimitiveUP(gfx::kTriangleStrip, 0, 4, 2, badIndices, gfx::kIndex16, quad, sizeof(Vertex)), gfx::kFail);
    effect->endPass();
    effect->end();
    device->endScene();

    std::vector<std::uint8_t> rgba;
    unsigned w = 0, h = 0;
    ASSERT_TRUE(gfx::readBackBuffer(device, rgba, w, h));
    ASSERT_EQ(w, unsigned(kWidth));
    ASSERT_EQ(h, unsigned(kHeight));
    const Frame frame(rgba);

    // Background in a corner.
    EXPECT_TRUE(frame.isBackground(5, 5)) << describe(frame.at(5, 5));

    // The red particle: red in the middle, round (the corners of its square are background),
    // about as wide as a sphere of diameter 2 at distance 32: 2 * 2.414 / 32 * 240 = 36 pixels.
    const Screen red = project(-8, 4);
    const Rgb centre = frame.at(red.x, red.y);
    EXPECT_GE(centre.r, 230) << describe(centre);
    EXPECT_LE(centre.g, 10) << describe(centre);
    EXPECT_LE(centre.b, 10) << describe(centre);
    EXPECT_TRUE(frame.isBackground(red.x + 14, red.y + 14)) << "sprite corner " << describe(frame.at(red.x + 14, red.y + 14));
    EXPECT_TRUE(frame.isBackground(red.x - 14, red.y - 14));
    int covered = 0;
    for (int x = red.x - 40; x <= red.x + 40; ++x) covered += !frame.isBackground(x, red.y);
    EXPECT_GE(covered, 30);
    EXPECT_LE(covered, 38);

    // Depth: the green particle behind the yellow wall is hidden; the red one in front shows.
    const Screen hidden = project(6 * 32.0f / 34, -4 * 32.0f / 34);  // z = -2 sits 34 away
    const Rgb wallColour = frame.at(hidden.x, hidden.y);
    EXPECT_GE(wallColour.r, 250) << describe(wallColour);
    EXPECT_GE(wallColour.g, 250) << describe(wallColour);
    EXPECT_LE(wallColour.b, 5) << describe(wallColour);
    const Screen front = project(10 * 32.0f / 26, -4 * 32.0f / 26);  // z = 6 sits 26 away
    const Rgb frontColour = frame.at(front.x, front.y);
    EXPECT_GE(frontColour.r, 230) << describe(frontColour);
    EXPECT_LE(frontColour.g, 10) << describe(frontColour);

    // The opaque obstacle: lit sphere colour (blue strongest) in the middle, transparent corners.
    const Screen ball = project(8, 6);
    const Rgb ballColour = frame.at(ball.x, ball.y);
    EXPECT_GE(ballColour.b, 150) << describe(ballColour);
    EXPECT_GT(ballColour.b, ballColour.r) << describe(ballColour);
    EXPECT_TRUE(frame.isBackground(ball.x + 30, ball.y + 30)) << describe(frame.at(ball.x + 30, ball.y + 30));
    EXPECT_FALSE(frame.isBackground(ball.x + 30, ball.y));
    // The translucent one: halfway between the background and the same sphere colour.
    const Screen glass = project(-8, -5);
    const Rgb glassColour = frame.at(glass.x, glass.y);
    EXPECT_NEAR(glassColour.b, (ballColour.b + 0x40) / 2.0, 4) << describe(glassColour);
    EXPECT_NEAR(glassColour.r, (ballColour.r + 0x40) / 2.0, 4) << describe(glassColour);

    // The green line across y = -9.
    const Screen lineMiddle = project(0, -9);
    bool green = false;
    for (int dy = -1; dy <= 1; ++dy) {
        const Rgb c = frame.at(lineMiddle.x, lineMiddle.y + dy);
        green = green || (c.g >= 200 && c.r <= 10 && c.b <= 10);
    }
    EXPECT_TRUE(green) << describe(frame.at(lineMiddle.x, lineMiddle.y));

    // The blended quad: half of opaque blue over the grey.
    const Screen glassQuad = project(0, 8);
    const Rgb q = frame.at(glassQuad.x, glassQuad.y);
    EXPECT_NEAR(q.r, 0x40 * 127 / 255.0, 2) << describe(q);
    EXPECT_NEAR(q.g, 0x40 * 127 / 255.0, 2) << describe(q);
    EXPECT_NEAR(q.b, 255 * 128 / 255.0 + 0x40 * 127 / 255.0, 2) << describe(q);

    EXPECT_EQ(device->present(nullptr, nullptr, nullptr, nullptr), gfx::kOk);
    declaration->release();
    particle->release();
    obstacle->release();
}

TEST_F(GlEndToEnd, PresentKeepsTheDisplayRate) {
    SDL_DisplayMode mode{};
    int refresh = 0;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &mode) == 0) refresh = mode.refresh_rate;
    if (refresh <= 0) refresh = 60;
    render.device->present(nullptr, nullptr, nullptr, nullptr);
    const Uint64 start = SDL_GetPerformanceCounter();
    constexpr int kFrames = 12;
    for (int i = 0; i < kFrames; ++i) {
        render.device->clear(0, nullptr, gfx::kClearTarget, 0xFF000000, 1.0f, 0);
        render.device->present(nullptr, nullptr, nullptr, nullptr);
    }
    const double seconds = double(SDL_GetPerformanceCounter() - start) / double(SDL_GetPerformanceFrequency());
    EXPECT_GE(seconds, kFrames * 0.95 / refresh);
    EXPECT_LE(seconds, kFrames * 3.0 / refresh);
}

TEST_F(GlEndToEnd, CompilerErrorTextReachesTheCaller) {
    const std::string path = ::testing::TempDir() + "broken_shader.bin";
    {
        std::ofstream out(path);
        out << "gfx-effect 1\n"
               "source vs\n"
               "void main() { gl_Position = vec4(0.0) }\n"
               "end\n"
               "source fs\n"
               "out vec4 c;\nvoid main() { c = vec4(1.0); }\n"
               "end\n"
               "technique T\n"
               "pass 0 vs fs\n";
    }
    gfx::Effect* effect = nullptr;
    gfx::Buffer* errors = nullptr;
    EXPECT_NE(gfx::createEffectFromFile(render.device, path.c_str(), nullptr, nullptr, gfx::kShaderSkipValidation, nullptr,
                                        &effect, &errors),
              gfx::kOk);
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    const std::string text = errors->getBufferPointer();
    errors->release();
    EXPECT_NE(text.find(path + ": technique T, pass 0, vertex source vs:"), std::string::npos) << text;
    // The compiler's own message, numbered by the line in the effect file.
    EXPECT_NE(text.find("3"), std::string::npos) << text;
    EXPECT_NE(text.find("error"), std::string::npos) << text;
    std::remove(path.c_str());
}

TEST_F(GlEndToEnd, MissingTextureFailsCleanly) {
    gfx::Texture* texture = reinterpret_cast<gfx::Texture*>(1);
    EXPECT_NE(gfx::createTextureFromFile(render.device, "/nonexistent/graph.bmp", &texture), gfx::kOk);
    EXPECT_EQ(texture, nullptr);
}

}  // namespace
