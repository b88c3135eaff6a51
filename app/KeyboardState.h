// The keyboard as the simulation and the scene ask for it: the live state of a key, by
// virtual-key code, read from SDL's keyboard state (current as of the last event pump).
#pragma once

#include <cstdint>

#include <SDL_keycode.h>

// The key that produces a virtual-key code's symbol in the current layout; SDLK_UNKNOWN for codes
// the program never reads.
SDL_Keycode keycodeForVirtualKey(int virtualKey);

// 0x80 while the key is held, else 0: the form of the key-state query.
std::int16_t sdlKeyState(int virtualKey);
