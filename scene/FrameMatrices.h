// The matrices of a frame, row-vector convention (A * B applies A first): the scene turned by
// the camera's yaw then pitch, viewed from (0, 0, distance) towards (0, 2, 0), right-handed.
#pragma once

#include "gfx/GraphicsApi.h"

struct FrameMatrices {
    gfx::Matrix world;
    gfx::Matrix view;
    gfx::Matrix projection;
    gfx::Matrix worldView;
    gfx::Matrix worldViewProj;
};

FrameMatrices computeFrameMatrices(float pitch, float yaw, float distance);
