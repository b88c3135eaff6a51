#include "app/AppMain.h"

#include <SDL.h>

#include "app/KeyboardState.h"
#include "app/Main.h"
#include "app/MessageBox.h"
#include "app/ProgramWindow.h"
#include "fluid/KeyState.h"
#include "gfx/GlWindow.h"

namespace {
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

// Every waiting event is handled before a frame is drawn; a frame runs only when none waits.
void runLoop(SDL_Window* window) {
    SDL_Event event;
    for (;;) {
        if (SDL_PollEvent(&event)) {
            if (windowProc(event, window)) return;
            continue;
        }
        if (!mainApp.update()) closeProgramWindow(window);
    }
}
}  // namespace

int appMain() {
    setKeyStateQuery(&sdlKeyState);
    if (!registerWindowClass()) {
        showMessageBox(nullptr, "ウィンドウクラスの登録に失敗.", nullptr);
        return 0;
    }
    // The OpenGL attributes choose the window's visual, so they are set before it is created.
    SDL_Window* window = nullptr;
    if (startWindowSystem() && gfx::prepareWindowSystem()) {
        window = createProgramWindow(kClientWidth, kClientHeight);
    }
    if (!window) {
        stopWindowSystem();
        showMessageBox(nullptr, "ウィンドウの作成に失敗.", nullptr);
        return 0;
    }
    mainApp.hwnd = window;

    // After a failed start-up the window is never shown.
    if (mainApp.init(kClientWidth, kClientHeight, true)) {
        showProgramWindow(window);
        runLoop(window);
    }

    mainApp.release();
    mainApp.hwnd = nullptr;
    destroyProgramWindow(window);
    stopWindowSystem();
    setKeyStateQuery(nullptr);
    return 0;
}
