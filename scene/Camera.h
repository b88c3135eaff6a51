// The camera: the scene is turned under a fixed eye by a yaw and a pitch, and the eye's distance
// from the origin zooms. The arrow and Page keys change them; until an arrow key is first held
// the scene turns by itself.
#pragma once

extern float cameraPitch;    // radians, about the x axis
extern float cameraYaw;      // radians, about the vertical axis; never wrapped
extern float cameraDistance; // scene units from the origin to the eye
extern bool cameraTouched;   // set by the first arrow key, never cleared

// Pitch limits, 10 and 89 degrees, and distance limits.
inline constexpr float kCameraPitchMin = 0.17453294f;
inline constexpr float kCameraPitchMax = 1.553343f;
inline constexpr float kCameraDistanceMin = 4.0f;
inline constexpr float kCameraDistanceMax = 48.0f;

// Reads the camera keys once, in a fixed order, then applies the automatic turn.
void applyCameraKeys();
