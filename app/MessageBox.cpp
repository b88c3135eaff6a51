// Start-up message boxes through SDL, with a copy of every message on stderr.
#include "app/MessageBox.h"

#include <cstdio>

#include <SDL.h>

namespace {
MessageBoxSink messageSink = nullptr;
// Shown when a caller passes no caption: the caption a Japanese desktop gives such a box.
const char* const kDefaultCaption = "エラー";
}  // namespace

void showMessageBox(void* owner, const char* text, const char* caption) {
    if (messageSink) {
        messageSink(owner, text, caption);
        return;
    }
    const char* title = caption ? caption : kDefaultCaption;
    const char* body = text ? text : "";
    std::fprintf(stderr, "[%s] %s\n", title, body);
    std::fflush(stderr);
    // Fails without a display; stderr then carries the message alone.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, body, static_cast<SDL_Window*>(owner));
}

void setMessageBoxSink(MessageBoxSink sink) { messageSink = sink; }
