// The programs as a user meets them, on a private virtual display: the centred window found by
// its class, the particles in the box and the floor grid on screen, the colour key, the obstacle,
// closing by the window's close request, and the start-up failures reported without a window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>
#include <sstream>
#include <string>

#include "E2eSupport.h"

using namespace std::chrono_literals;

namespace {
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

struct Program {
    const char* name;
    const char* path;
};
const Program kPrograms[] = {{"simd", FLUID_SIMD_PROGRAM}, {"scalar", FLUID_SCALAR_PROGRAM}};

// Mode 0 colours particles in shades of blue, with more green than red; the box's outline is a
// lighter blue with more red, the z axis a blue with as much red as green.
bool isParticleBlue(const e2e::Rgb& p) { return p.b >= 150 && p.r <= 110 && p.b >= p.g + 40 && p.g >= p.r + 25; }
// The floor grid's orange.
bool isGridOrange(const e2e::Rgb& p) { return p.r >= 150 && p.r >= p.g + 60 && p.b <= 100 && p.g >= 40; }
// The box's outline, an opaque light blue.
bool isBoxOutline(const e2e::Rgb& p) {
    return p.r >= 100 && p.r <= 170 && p.g >= 160 && p.g <= 220 && p.b >= 230;
}
// The obstacle's sprite: a white sphere, lit from a bluish grey to white.
bool isObstacleWhite(const e2e::Rgb& p) {
    return p.r >= 100 && p.g + 5 >= p.r && p.b >= p.g && p.b - p.r <= 60 && p.g + 40 >= p.b;
}

struct Bounds {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};
Bounds boundsOf(const e2e::Image& image, const std::function<bool(const e2e::Rgb&)>& test) {
    Bounds b;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!test(image.at(x, y))) continue;
            b.x0 = std::min(b.x0, x);
            b.y0 = std::min(b.y0, y);
            b.x1 = std::max(b.x1, x);
            b.y1 = std::max(b.y1, y);
        }
    }
    return b;
}

int countPixels(const e2e::Image& image, const std::function<bool(const e2e::Rgb&)>& test) {
    int count = 0;
    for (const e2e::Rgb& p : image.pixels) count += test(p) ? 1 : 0;
    return count;
}

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;
};

WindowGeometry geometryOf(const std::string& display, const std::string& window) {
    WindowGeometry g;
    const std::string info = e2e::runCommand(display, "xwininfo -id " + window).output;
    std::istringstream lines(info);
    std::string line;
    const auto valueAfter = [&](const std::string& label, int& value) {
        const auto at = line.find(label);
        if (at != std::string::npos) value = std::atoi(line.c_str() + at + label.size());
    };
    while (std::getline(lines, line)) {
        valueAfter("Absolute upper-left X:", g.x);
        valueAfter("Absolute upper-left Y:", g.y);
        valueAfter("Width:", g.width);
        valueAfter("Height:", g.height);
        if (line.find("Map State: IsViewable") != std::string::npos) g.viewable = true;
    }
    return g;
}

// Ids of the windows of class sampleClass; only those on screen when visibleOnly.
std::string findProgramWindow(const std::string& display, bool visibleOnly) {
    std::string ids =
        e2e::runCommand(display, std::string("xdotool search ") + (visibleOnly ? "--onlyvisible " : "") +
                                     "--class sampleClass")
            .output;
    while (!ids.empty() && (ids.back() == '\n' || ids.back() == ' ')) ids.pop_back();
    return ids;
}

// Closes every top-level window that is not the program's own (its message boxes) until the
// program has ended, as a user pressing the boxes' close buttons would.
void dismissMessageBoxes(const std::string& display, e2e::ChildProcess& program) {
    e2e::waitUntil(20s, [&] {
        if (!program.running()) return true;
        std::istringstream lines(e2e::runCommand(display, "xwininfo -root -children").output);
        std::string line;
        while (std::getline(lines, line)) {
            const auto id = line.find("0x");
            if (id == std::string::npos || line.find("sampleClass") != std::string::npos) continue;
            if (line.find("(the root window)") != std::string::npos) continue;
            const std::string window = line.substr(id, line.find_first_of(" :", id) - id);
            e2e::runCommand(display, std::string(FLUID_CLOSE_WINDOW_HELPER) + " " + window);
        }
        return !program.running();
    });
}

class ProgramEndToEnd : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch_ = std::filesystem::temp_directory_path() /
                   ("fluid_e2e_" + std::to_string(getpid()) + "_" + std::to_string(std::hash<std::string>{}(name)));
        std::filesystem::create_directories(scratch_);
        programDirectory_ = std::filesystem::path(GetParam().path).parent_path();
    }
    void TearDown() override { std::filesystem::remove_all(scratch_); }

    std::string stderrPath() const { return (scratch_ / "stderr.txt").string(); }

    std::filesystem::path scratch_;
    std::filesystem::path programDirectory_;
};

TEST_P(ProgramEndToEnd, RunsInACentredWindowDrawsTheSceneReactsToKeysAndClosesWithExitCodeZero) {
    e2e::VirtualDisplay display(kScreenWidth, kScreenHeight);
    ASSERT_TRUE(display.running()) << "Xvfb could not be started";
    const std::string& d = display.name();
    // Started from the folder that holds the assets, as the README says.
    e2e::ChildProcess program(GetParam().path, programDirectory_.string(), d, stderrPath());

    std::string window;
    ASSERT_TRUE(e2e::waitUntil(30s, [&] {
        window = findProgramWindow(d, true);
        return !window.empty() || !program.running();
    }));
    ASSERT_FALSE(window.empty()) << "no visible window of class sampleClass; stderr:\n"
                                 << e2e::readFile(stderrPath());
    ASSERT_EQ(window.find('\n'), std::string::npos) << "more than one window: " << window;

    const WindowGeometry g = geometryOf(d, window);
    EXPECT_TRUE(g.viewable);
    EXPECT_EQ(g.width, kClientWidth);
    EXPECT_EQ(g.height, kClientHeight);
    EXPECT_EQ(g.x, (kScreenWidth - kClientWidth) / 2);
    EXPECT_EQ(g.y, (kScreenHeight - kClientHeight) / 2);

    // The block falls and settles into the box; the grid lies around it.
    sleep(3);
    const e2e::Image shot = e2e::captureScreen(d, g.x, g.y, g.width, g.height);
    ASSERT_EQ(shot.width, kClientWidth) << "screen capture failed";
    const Bounds box = boundsOf(shot, isBoxOutline);
    int blueInBox = 0, blueOutside = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            if (isParticleBlue(shot.at(x, y))) ++(box.contains(x, y) ? blueInBox : blueOutside);
        }
    }
    EXPECT_GT(blueInBox, 5000) << "particles not seen inside the box";
    EXPECT_LT(blueOutside, 50) << "particles seen outside the box";
    EXPECT_GT(countPixels(shot, isGridOrange), 2000) << "the floor grid is not drawn";
    const int whiteBefore = countPixels(shot, isObstacleWhite);

    // Focus follows the pointer: there is no window manager.
    e2e::runCommand(d, "xdotool mousemove " + std::to_string(g.x + 10) + " " + std::to_string(g.y + 10));

    // C held: the velocity colouring replaces the blue shades while the key is down.
    e2e::runCommand(d, "xdotool keydown c");
    usleep(700 * 1000);
    const e2e::Image withC = e2e::captureScreen(d, g.x, g.y, g.width, g.height);
    e2e::runCommand(d, "xdotool keyup c");
    ASSERT_EQ(withC.width, kClientWidth);
    EXPECT_LT(countPixels(withC, isParticleBlue), blueInBox / 10) << "holding C did not change the colours";

    usleep(500 * 1000);
    const e2e::Image released = e2e::captureScreen(d, g.x, g.y, g.width, g.height);
    ASSERT_EQ(released.width, kClientWidth);
    EXPECT_GT(countPixels(released, isParticleBlue), blueInBox / 2)
        << "the blue shades did not come back after C was released";

    // Space, held long enough for a frame to see it: the obstacle grows as a large white sprite.
    e2e::runCommand(d, "xdotool keydown space");
    usleep(300 * 1000);
    e2e::runCommand(d, "xdotool keyup space");
    sleep(2);
    // The sphere rises and sinks in the water: the best of a few looks counts.
    int whiteWithObstacle = 0;
    for (int look = 0; look < 4; ++look) {
        const e2e::Image withObstacle = e2e::captureScreen(d, g.x, g.y, g.width, g.height);
        ASSERT_EQ(withObstacle.width, kClientWidth);
        whiteWithObstacle = std::max(whiteWithObstacle, countPixels(withObstacle, isObstacleWhite));
        usleep(400 * 1000);
    }
    EXPECT_GT(whiteWithObstacle, whiteBefore + 1000) << "the obstacle sprite did not appear";

    ASSERT_EQ(e2e::runCommand(d, std::string(FLUID_CLOSE_WINDOW_HELPER) + " " + window).exitCode, 0);
    const std::optional<int> status = program.waitForExit(15s);
    ASSERT_TRUE(status.has_value()) << "the program did not end after the close request";
    EXPECT_EQ(*status, 0);
}

TEST_P(ProgramEndToEnd, MissingParticleTextureIsReportedAndTheWindowIsNeverShown) {
    e2e::VirtualDisplay display(kScreenWidth, kScreenHeight);
    ASSERT_TRUE(display.running()) << "Xvfb could not be started";
    const std::string& d = display.name();
    // A working directory with the obstacle's texture but without "graph.bmp".
    std::filesystem::copy_file(programDirectory_ / "torvanine.dds", scratch_ / "torvanine.dds");
    e2e::ChildProcess program(GetParam().path, scratch_.string(), d, stderrPath());

    const std::string message = "テクスチャがロードできませんでした.";
    EXPECT_TRUE(e2e::waitUntil(30s, [&] {
        return e2e::readFile(stderrPath()).find(message) != std::string::npos || !program.running();
    }));
    EXPECT_NE(e2e::readFile(stderrPath()).find(message), std::string::npos) << e2e::readFile(stderrPath());
    EXPECT_TRUE(findProgramWindow(d, true).empty()) << "the program's window was shown";

    dismissMessageBoxes(d, program);
    const std::optional<int> status = program.waitForExit(15s);
    ASSERT_TRUE(status.has_value()) << "the program did not end after its message";
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(findProgramWindow(d, false).empty());
}

// Damaged asset files: each is reported with its start-up message, the window is never shown,
// and the program ends with exit code 0 once the boxes are closed. The program runs from a copy
// of its folder, so that its effect file can be damaged too.
TEST_P(ProgramEndToEnd, DamagedAssetsAreReportedAndTheWindowIsNeverShown) {
    struct Damage {
        const char* name;
        const char* file;
        std::function<void(std::string&)> damage;
        std::vector<std::string> messages;
    };
    const std::string textureMessage = "テクスチャがロードできませんでした.";
    const std::vector<Damage> cases = {
        {"truncated particle texture", "graph.bmp", [](std::string& b) { b.resize(100); }, {textureMessage}},
        {"obstacle texture with a wrong magic", "torvanine.dds", [](std::string& b) { b[0] = 'X'; }, {textureMessage}},
        {"obstacle texture claiming a huge size", "torvanine.dds",
         [](std::string& b) {
             // Height and width of the header, at offsets 12 and 16: 0x7FFFFFFF each.
             for (int at : {12, 16}) b.replace(at, 4, std::string("\xff\xff\xff\x7f", 4));
         },
         {textureMessage}},
        {"binary effect file", "shader.bin", [](std::string& b) { b.assign(4096, '\x01'); },
         {"シェーダーコンパイルエラー", "Render初期化エラー"}},
        {"effect file cut in the middle", "shader.bin", [](std::string& b) { b.resize(b.size() / 2); },
         {"シェーダーコンパイルエラー", "Render初期化エラー"}},
    };
    const std::filesystem::path program = scratch_ / std::filesystem::path(GetParam().path).filename();
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        e2e::VirtualDisplay display(kScreenWidth, kScreenHeight);
        ASSERT_TRUE(display.running()) << "Xvfb could not be started";
        const std::string& d = display.name();
        for (const char* file : {"shader.bin", "graph.bmp", "torvanine.dds"})
            std::filesystem::copy_file(programDirectory_ / file, scratch_ / file,
                                       std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(GetParam().path, program, std::filesystem::copy_options::overwrite_existing);
        std::string bytes = e2e::readFile((scratch_ / c.file).string());
        c.damage(bytes);
        std::ofstream((scratch_ / c.file).string(), std::ios::binary | std::ios::trunc) << bytes;
        std::filesystem::remove(stderrPath());

        e2e::ChildProcess run(program.string(), scratch_.string(), d, stderrPath());
        EXPECT_TRUE(e2e::waitUntil(30s, [&] {
            return e2e::readFile(stderrPath()).find(c.messages.front()) != std::string::npos || !run.running();
        }));
        EXPECT_TRUE(findProgramWindow(d, true).empty()) << "the program's window was shown";
        dismissMessageBoxes(d, run);
        const std::optional<int> status = run.waitForExit(15s);
        ASSERT_TRUE(status.has_value()) << "the program did not end after its messages";
        EXPECT_EQ(*status, 0);
        const std::string err = e2e::readFile(stderrPath());
        for (const std::string& message : c.messages) EXPECT_NE(err.find(message), std::string::npos) << err;
    }
}

TEST_P(ProgramEndToEnd, WithoutADisplayTheWindowFailureIsReported) {
    e2e::ChildProcess program(GetParam().path, programDirectory_.string(), "", stderrPath());
    const std::optional<int> status = program.waitForExit(15s);
    ASSERT_TRUE(status.has_value()) << "the program kept running without a display";
    EXPECT_EQ(*status, 0);
    EXPECT_NE(e2e::readFile(stderrPath()).find("ウィンドウの作成に失敗."), std::string::npos)
        << e2e::readFile(stderrPath());
}

INSTANTIATE_TEST_SUITE_P(Builds, ProgramEndToEnd, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& info) { return std::string(info.param.name); });

}  // namespace
