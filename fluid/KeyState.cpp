#include "fluid/KeyState.h"

namespace {
KeyStateQuery installedQuery = nullptr;
}

void setKeyStateQuery(KeyStateQuery query) { installedQuery = query; }

std::int16_t keyState(int virtualKey) { return installedQuery ? installedQuery(virtualKey) : 0; }
