#include "scene/ColorMode.h"

#include "fluid/KeyState.h"

ColorMode colorMode = kColorDensityTint;

void chooseColorModeFromKeys() {
    colorMode = kColorDensityTint;
    if (keyState(vk::kC) & 0x80) colorMode = kColorVelocity;
    if (keyState(vk::kX) & 0x80) colorMode = kColorDensityGrey;
}
