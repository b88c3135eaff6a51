// The moving sphere drawn as one large point sprite, white, half transparent on request.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kObstacleColorOpaque = 0xFFFFFFFFu;
inline constexpr std::uint32_t kObstacleColorTranslucent = 0x80FFFFFFu;

// Switches alpha blending on (it stays on for the rest of the frame) and draws the sprite.
void drawObstacleSprite();
