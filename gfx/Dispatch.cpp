// The entry points of the graphics layer, forwarded to the installed backend.
#include "gfx/GraphicsApi.h"

namespace gfx {

// Defined by the backend library the program links (fluid_gfx: OpenGL; fluid_gfx_recording:
// none, so tests install their recorder).
Backend* defaultBackend();

namespace {
Backend* installed = nullptr;

Backend* current() { return installed ? installed : defaultBackend(); }
}  // namespace

Backend* installBackend(Backend* backend) {
    Backend* previous = installed;
    installed = backend;
    return previous;
}

GraphicsObject* createGraphicsObject(std::uint32_t sdkVersion) {
    Backend* b = current();
    return b ? b->createGraphicsObject(sdkVersion) : nullptr;
}

Result createEffectFromFile(Device* device, const char* path, const void* defines, void* include,
                            std::uint32_t flags, void* pool, Effect** effect, Buffer** errors) {
    Backend* b = current();
    if (!b) {
        if (effect) *effect = nullptr;
        if (errors) *errors = nullptr;
        return kFail;
    }
    return b->createEffectFromFile(device, path, defines, include, flags, pool, effect, errors);
}

Result createTextureFromFile(Device* device, const char* path, Texture** texture) {
    Backend* b = current();
    if (!b) {
        if (texture) *texture = nullptr;
        return kFail;
    }
    return b->createTextureFromFile(device, path, texture);
}

}  // namespace gfx
