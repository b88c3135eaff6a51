// The three colourings and the conversion of a value to a colour channel.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scene/ParticleColors.h"

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::uint32_t kLightBlue = 0xFF5090FFu; // d = 0
constexpr std::uint32_t kDeepBlue = 0xFF1171FFu;  // d = 255

Vec4 velocity(float x, float y, float z) { return Vec4{x, y, z, 0.0f}; }
}  // namespace

TEST(Channel, TruncatesAndClampsAndRejectsWhatCannotBeConverted) {
    const struct {
        float value;
        std::int32_t expected;
    } cases[] = {
        {0.0f, 0},
        {127.5f, 127},
        {254.99f, 254},
        {255.0f, 255},
        {1.0e9f, 255},
        {2147483520.0f, 255}, // the largest float below 2^31 still converts
        {-0.9f, 0},           // truncates toward zero
        {-1.0f, 0},
        {-2147483648.0f, 0},
        {2147483648.0f, 0}, // outside the int32 range
        {-3.0e9f, 0},
        {kInfinity, 0},
        {-kInfinity, 0},
        {kNaN, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(channel(c.value), c.expected) << c.value;
}

TEST(ParticleColors, DensityTint) {
    const struct {
        float density;
        Vec4 velocity;
        std::uint32_t expected;
    } cases[] = {
        {998.29f, velocity(0, 0, 0), kDeepBlue},  // rest density, at rest
        {800.0f, velocity(0, 0, 0), kLightBlue},  // density 800 whatever the speed
        {800.0f, velocity(3, 4, 0), kLightBlue},
        {800.0f, velocity(0, 0, 40), kLightBlue},
        {700.0f, velocity(3, 4, 0), 0xFF3784FFu}, // two negative factors: d = 100
        {900.0f, velocity(0, 0, 2), 0xFF1E77FFu}, // 100 * 2 = 200: red 30, green 119
        {kNaN, velocity(0, 0, 0), kLightBlue},
        {998.29f, velocity(kNaN, 0, 0), kLightBlue},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(densityTintColor(c.density, c.velocity), c.expected) << c.density;
    }
}

TEST(ParticleColors, VelocityComponentsAroundTheMidLevel) {
    EXPECT_EQ(velocityColor(velocity(0, 0, 0)), 0xFF7F7F7Fu);
    EXPECT_EQ(velocityColor(velocity(0.6667f, -0.662f, 0)), 0xFFFF007Fu);
    EXPECT_EQ(velocityColor(velocity(0.6666f, -0.6614f, 5.0f)), 0xFFFE01FFu);
    EXPECT_EQ(velocityColor(velocity(kNaN, -100.0f, 100.0f)), 0xFF0000FFu);
}

TEST(ParticleColors, DensityGrey) {
    const struct {
        float density;
        std::uint32_t expected;
    } cases[] = {
        {998.29f, 0xFF464646u}, {1000.0f, 0xFF474747u}, {662.0f, 0xFF000000u}, {500.0f, 0xFF000000u},
        {1572.0f, 0xFFFFFFFFu}, {3000.0f, 0xFFFFFFFFu}, {kNaN, 0xFF000000u},
    };
    for (const auto& c : cases) EXPECT_EQ(densityGreyColor(c.density), c.expected) << c.density;
}

TEST(ParticleColors, ModeSelectsTheRuleAndUnknownModesColourAsTheTint) {
    const Vec4 v = velocity(0.2f, -0.3f, 0.1f);
    const float density = 1000.0f;
    EXPECT_EQ(particleColor(kColorDensityTint, density, v), densityTintColor(density, v));
    EXPECT_EQ(particleColor(kColorVelocity, density, v), velocityColor(v));
    EXPECT_EQ(particleColor(kColorDensityGrey, density, v), densityGreyColor(density));
    EXPECT_EQ(particleColor(static_cast<ColorMode>(3), density, v), densityTintColor(density, v));
    EXPECT_EQ(particleColor(static_cast<ColorMode>(-1), density, v), densityTintColor(density, v));
}
