#include "app/KeyboardState.h"

#include <SDL_keyboard.h>

#include "fluid/KeyState.h"

SDL_Keycode keycodeForVirtualKey(int virtualKey) {
    // Letters and digits share their codes with the ASCII characters of the unshifted keys.
    if (virtualKey >= 'A' && virtualKey <= 'Z') return SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') return SDLK_0 + (virtualKey - '0');
    switch (virtualKey) {
    case vk::kSpace: return SDLK_SPACE;
    case vk::kPageUp: return SDLK_PAGEUP;
    case vk::kPageDown: return SDLK_PAGEDOWN;
    case vk::kLeft: return SDLK_LEFT;
    case vk::kUp: return SDLK_UP;
    case vk::kRight: return SDLK_RIGHT;
    case vk::kDown: return SDLK_DOWN;
    default: return SDLK_UNKNOWN;
    }
}

std::int16_t sdlKeyState(int virtualKey) {
    const SDL_Keycode key = keycodeForVirtualKey(virtualKey);
    if (key == SDLK_UNKNOWN) return 0;
    const SDL_Scancode scancode = SDL_GetScancodeFromKey(key);
    if (scancode == SDL_SCANCODE_UNKNOWN) return 0;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    return (scancode < count && state[scancode]) ? 0x80 : 0;
}
