// The program's one window over SDL2: an X11 window of class "sampleClass" with a 640 x 480
// client area, centred on the screen, created hidden and shown once start-up has succeeded.
#pragma once

#include <SDL_events.h>
#include <SDL_video.h>

inline constexpr char kWindowClassName[] = "sampleClass";
inline constexpr char kWindowTitle[] = "SPH法による流体シミュレーション";

// Names the class of the windows created afterwards (X11 WM_CLASS), so that window tools find the
// program's window by it. False when the name cannot be stored.
bool registerWindowClass();
// Starts SDL's video: the connection to the display. False when there is no display to show a
// window on.
bool startWindowSystem();
// Creates the window, hidden, once the window system has started. Null on failure.
SDL_Window* createProgramWindow(int clientWidth, int clientHeight);
// Shuts SDL's video down; safe when it never started.
void stopWindowSystem();
void showProgramWindow(SDL_Window* window);
// Hides the window and asks the loop to end: the quit event arrives on a following turn.
void closeProgramWindow(SDL_Window* window);
void destroyProgramWindow(SDL_Window* window);

// What the window does with one event: true when it ends the loop (the window was closed by any
// of the usual controls, or the program was asked to quit). Every other event changes nothing.
bool windowProc(const SDL_Event& event, SDL_Window* window);
