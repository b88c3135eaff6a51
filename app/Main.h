// The application object: it holds the program's window and the scene, sets up the graphics
// device and the scene at start-up, runs one frame per idle turn of the loop and releases
// everything at the end. There is one, the global mainApp.
#pragma once

#include "gfx/GraphicsApi.h"
#include "scene/Game.h"

class Main {
public:
    // Releases nothing; release() does.
    virtual ~Main() = default;
    // Render first, then the scene. False after a failure, whose message has been shown.
    virtual bool init(unsigned width, unsigned height, bool windowed);
    // Draws a frame and presents it. False when the scene could not draw it.
    virtual bool update();
    // The scene, then the graphics objects. Safe after a failed init.
    virtual void release();

    gfx::WindowHandle hwnd = nullptr;
    Game game;
};

extern Main mainApp;
