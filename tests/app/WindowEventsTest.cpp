// What the window does with events, and how the virtual-key codes reach SDL's keyboard state.
#include <gtest/gtest.h>

#include <cstdlib>

#include <SDL.h>

#include "app/KeyboardState.h"
#include "app/ProgramWindow.h"
#include "fluid/KeyState.h"

namespace {
// SDL's video without a display, so that windows, events and key maps exist in tests.
class HeadlessVideo : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }
};

SDL_Event windowEvent(SDL_Window* window, SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    e.window.windowID = SDL_GetWindowID(window);
    return e;
}
}  // namespace

TEST_F(HeadlessVideo, OnlyClosingTheWindowOrQuittingEndsTheLoop) {
    SDL_Window* window = SDL_CreateWindow("w", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    SDL_Window* other = SDL_CreateWindow("other", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(other, nullptr);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_ESCAPE;

    EXPECT_TRUE(windowProc(quit, window));
    EXPECT_TRUE(windowProc(windowEvent(window, SDL_WINDOWEVENT_CLOSE), window));
    EXPECT_FALSE(windowProc(windowEvent(other, SDL_WINDOWEVENT_CLOSE), window));
    // Moving, resizing, minimising and key presses change nothing in the program.
    for (SDL_WindowEventID id : {SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_RESIZED, SDL_WINDOWEVENT_MINIMIZED,
                                 SDL_WINDOWEVENT_MAXIMIZED, SDL_WINDOWEVENT_FOCUS_LOST}) {
        EXPECT_FALSE(windowProc(windowEvent(window, id), window)) << id;
    }
    EXPECT_FALSE(windowProc(key, window));
    SDL_DestroyWindow(other);
    SDL_DestroyWindow(window);
}

TEST_F(HeadlessVideo, ClosingFromTheProgramHidesTheWindowAndQuitsOnALaterTurn) {
    SDL_Window* window = SDL_CreateWindow("w", 0, 0, 64, 48, SDL_WINDOW_SHOWN);
    ASSERT_NE(window, nullptr);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    closeProgramWindow(window);
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
    bool quitSeen = false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) quitSeen = quitSeen || windowProc(e, window);
    EXPECT_TRUE(quitSeen);
    SDL_DestroyWindow(window);
}

TEST_F(HeadlessVideo, EveryKeyTheProgramReadsHasAKeyOnTheKeyboard) {
    const struct {
        int virtualKey;
        SDL_Scancode scancode; // with the default layout
    } cases[] = {
        {vk::kSpace, SDL_SCANCODE_SPACE}, {vk::kPageUp, SDL_SCANCODE_PAGEUP}, {vk::kPageDown, SDL_SCANCODE_PAGEDOWN},
        {vk::kLeft, SDL_SCANCODE_LEFT},   {vk::kUp, SDL_SCANCODE_UP},         {vk::kRight, SDL_SCANCODE_RIGHT},
        {vk::kDown, SDL_SCANCODE_DOWN},   {vk::k1, SDL_SCANCODE_1},           {vk::k5, SDL_SCANCODE_5},
        {vk::kA, SDL_SCANCODE_A},         {vk::kC, SDL_SCANCODE_C},           {vk::kS, SDL_SCANCODE_S},
        {vk::kX, SDL_SCANCODE_X},         {vk::kZ, SDL_SCANCODE_Z},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SDL_GetScancodeFromKey(keycodeForVirtualKey(c.virtualKey)), c.scancode) << c.virtualKey;
    }
    // Codes the program never reads, and values outside the code range, are never down.
    for (int code : {-1, 0, 0x10, 0x7B, 0xFF, 0x10000}) {
        EXPECT_EQ(keycodeForVirtualKey(code), SDLK_UNKNOWN) << code;
        EXPECT_EQ(sdlKeyState(code), 0) << code;
    }
    // Nothing is held on a keyboard no one touched.
    for (const auto& c : cases) EXPECT_EQ(sdlKeyState(c.virtualKey), 0) << c.virtualKey;
}

TEST(ProgramWindow, WithoutADisplayVideoIsRefusedUnlessADriverThatShowsNothingIsAskedFor) {
    ASSERT_TRUE(registerWindowClass());
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_FALSE(startWindowSystem());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "video left running after the failure";

    for (const char* driver : {"offscreen", "dummy"}) {
        setenv("SDL_VIDEODRIVER", driver, 1);
        EXPECT_TRUE(startWindowSystem()) << driver << ": " << SDL_GetError();
        EXPECT_STREQ(SDL_GetCurrentVideoDriver(), driver);
        stopWindowSystem();
    }
}
