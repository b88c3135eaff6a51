#include "scene/ParticleColors.h"

#include <cmath>

namespace {
constexpr std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
}  // namespace

std::int32_t channel(float value) {
    // Only values whose truncation fits in an int32 may be converted; the comparison is false
    // for NaN too. -2^31 and 2^31 are exact floats.
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) return 0;
    const std::int32_t truncated = static_cast<std::int32_t>(value);
    if (truncated >= 255) return 255;
    if (truncated < 0) return 0;
    return truncated;
}

std::uint32_t densityTintColor(float density, const Vec4& velocity) {
    const float speed = std::sqrt(lengthSq(velocity));
    const std::int32_t d = channel((density - 800.0f) * (4.0f - speed));
    return argb(255, static_cast<std::uint32_t>(80 - d / 4), static_cast<std::uint32_t>(144 - d / 8), 255);
}

std::uint32_t velocityColor(const Vec4& velocity) {
    const auto component = [](float v) { return static_cast<std::uint32_t>(channel((v * 0.75f + 0.5f) * 255.0f)); };
    return argb(255, component(velocity.x), component(velocity.y), component(velocity.z));
}

std::uint32_t densityGreyColor(float density) {
    const auto g = static_cast<std::uint32_t>(channel((density * density - 400.0f - 430000.0f) * 0.000125f));
    return argb(255, g, g, g);
}

std::uint32_t particleColor(ColorMode mode, float density, const Vec4& velocity) {
    switch (mode) {
    case kColorVelocity: return velocityColor(velocity);
    case kColorDensityGrey: return densityGreyColor(density);
    default: return densityTintColor(density, velocity);
    }
}
