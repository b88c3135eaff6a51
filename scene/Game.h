// The scene: it owns the vertex declaration and the two textures and lays out every frame, from
// BeginScene to EndScene, with the one simulation step of the frame inside the particle pass.
// Presenting the frame is the caller's work.
#pragma once

#include "gfx/GraphicsApi.h"

class Game {
public:
    // Releases nothing; release() does.
    virtual ~Game() = default;
    // Creates the vertex declaration, initialises the fluid and loads "torvanine.dds" then
    // "graph.bmp" from the working directory. On failure a message has been shown, false is
    // returned and whatever was created stays held for release().
    virtual bool init();
    // Draws one complete frame and advances frameCount. Always true.
    virtual bool update();
    // Releases what is held (safe after a failed or skipped init), then the fluid's storage.
    virtual void release();

    gfx::VertexDeclaration* vertexDeclaration = nullptr;
    gfx::Texture* obstacleTexture = nullptr;
    gfx::Texture* particleTexture = nullptr;
};
