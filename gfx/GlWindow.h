// What the OpenGL backend needs from the program around it, and what it offers tests.
//
// Start-up order in the program:
//   SDL_Init(SDL_INIT_VIDEO | ...);
//   gfx::prepareWindowSystem();                       // before the window exists
//   SDL_Window* w = SDL_CreateWindow(..., SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
//   render.init(w, 640, 480, true);                   // WindowHandle is the SDL_Window*
// The OpenGL context attributes (3.3 core, double-buffered RGB window) must be set before the
// window is created, because on X11 they choose the window's visual. The device draws into a
// back buffer of its own (RGBA8 colour and the requested depth format, of the requested size)
// and copies it into the window at present().
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/GraphicsApi.h"

namespace gfx {

// Starts SDL's video subsystem if it is not running yet (SDL_Quit ends it) and sets the OpenGL
// context attributes the device needs. False, with SDL_GetError() telling why, when there is no
// video subsystem (no display).
bool prepareWindowSystem();

// The device's back buffer as RGBA bytes, top row first; what the frame drawn so far looks like
// before present(). False for a device that is not an OpenGL one.
bool readBackBuffer(Device* device, std::vector<std::uint8_t>& rgba, unsigned& width, unsigned& height);

}  // namespace gfx
