#include "app/Main.h"

#include "app/MessageBox.h"
#include "gfx/Render.h"

// Needs no construction at run time: its handle and the scene's pointers start null.
constinit Main mainApp;

bool Main::init(unsigned width, unsigned height, bool windowed) {
    if (!render.init(hwnd, width, height, windowed)) {
        showMessageBox(hwnd, "Render初期化エラー", nullptr);
        return false;
    }
    return game.init();
}

bool Main::update() {
    if (!game.update()) return false;
    // Present waits for the display's vertical retrace: the loop's only pacing.
    render.device->present(nullptr, nullptr, nullptr, nullptr);
    return true;
}

void Main::release() {
    game.release();
    render.release();
}
