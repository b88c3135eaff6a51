// The one platform dependency of the simulation: the state of a key, by virtual-key code, at the
// moment of the call. A key is down when bit 0x80 of the low byte is set. The platform layer (or
// a test, or a headless tool) installs the query; without one no key is ever down.
#pragma once

#include <cstdint>

using KeyStateQuery = std::int16_t (*)(int virtualKey);

void setKeyStateQuery(KeyStateQuery query);
std::int16_t keyState(int virtualKey);

// Virtual-key codes of the keys the program reads.
namespace vk {
inline constexpr int kSpace = 0x20;
inline constexpr int kPageUp = 0x21;
inline constexpr int kPageDown = 0x22;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int k1 = 0x31;
inline constexpr int k2 = 0x32;
inline constexpr int k3 = 0x33;
inline constexpr int k4 = 0x34;
inline constexpr int k5 = 0x35;
inline constexpr int kA = 0x41;
inline constexpr int kC = 0x43;
inline constexpr int kS = 0x53;
inline constexpr int kX = 0x58;
inline constexpr int kZ = 0x5A;
}  // namespace vk
