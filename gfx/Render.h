// The graphics objects of the program: the graphics object, the device and the one effect,
// created once at start-up for the program's window. Drawing code reaches device and effect
// through the global Render.
#pragma once

#include "gfx/GraphicsApi.h"

class Render {
public:
    virtual ~Render() { release(); }

    // Creates the graphics object, checks the vertex shader version (3.0 or higher), creates the
    // device, sets the three fixed render states and loads "shader.bin" from beside the
    // executable. On failure a message has been shown and what was created stays held.
    bool init(gfx::WindowHandle window, unsigned width, unsigned height, bool windowed);
    // Releases effect, device and graphics object, each only if held. Safe in any state.
    void release();

    gfx::GraphicsObject* d3d = nullptr;
    gfx::Device* device = nullptr;
    gfx::Effect* effect = nullptr;
};

extern Render render;
