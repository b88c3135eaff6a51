// Modal message boxes for the start-up failures. Every message is also written to stderr, so it
// is seen where no box can be shown (no display); without a display stderr is all there is.
// Tests install a sink that records the messages instead of showing them.
#pragma once

// owner: the window the box belongs to (an SDL_Window*), or null. caption: null for the
// platform's default caption.
void showMessageBox(void* owner, const char* text, const char* caption);

using MessageBoxSink = void (*)(void* owner, const char* text, const char* caption);
// Replaces the real box (and the stderr copy) with sink; null restores the real one.
void setMessageBoxSink(MessageBoxSink sink);
