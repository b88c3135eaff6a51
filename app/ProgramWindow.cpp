#include "app/ProgramWindow.h"

#include <cstdlib>

#include <SDL.h>

namespace {
// SDL reads the X11 class name from this variable when its video starts.
constexpr char kWindowClassVariable[] = "SDL_VIDEO_X11_WMCLASS";

// SDL falls back to a driver that draws into memory when there is no display. The program would
// then run with nothing on screen, so such a driver is accepted only when it was asked for.
bool showsNothing(const char* driver) {
    return SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
}

bool videoDriverUsable() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    if (!showsNothing(driver)) return true;
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return requested && SDL_strcasecmp(requested, driver) == 0;
}
}  // namespace

bool registerWindowClass() {
    if (setenv(kWindowClassVariable, kWindowClassName, 1) != 0) return false;
    return SDL_SetHintWithPriority(kWindowClassVariable, kWindowClassName, SDL_HINT_OVERRIDE) == SDL_TRUE;
}

bool startWindowSystem() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    if (!videoDriverUsable()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    return true;
}

SDL_Window* createProgramWindow(int clientWidth, int clientHeight) {
    return SDL_CreateWindow(kWindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, clientWidth, clientHeight,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
}

void stopWindowSystem() { SDL_Quit(); }

void showProgramWindow(SDL_Window* window) { SDL_ShowWindow(window); }

void closeProgramWindow(SDL_Window* window) {
    SDL_HideWindow(window);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

void destroyProgramWindow(SDL_Window* window) { SDL_DestroyWindow(window); }

bool windowProc(const SDL_Event& event, SDL_Window* window) {
    if (event.type == SDL_QUIT) return true;
    return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
           event.window.windowID == SDL_GetWindowID(window);
}
