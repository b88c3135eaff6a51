// Recording backend for unit tests: every call on the entry points and on the objects they
// create is logged in order, with its arguments, and can be made to fail. Effects are read from
// the real effect file (through the same reader the OpenGL backend uses), so techniques, passes
// and parameter names are checked against what the file declares; textures are not read.
//
//   gfx::RecordingBackend backend;             // or RecordingBackend(options)
//   gfx::ScopedBackend use(&backend);          // entry points now go to it
//   ... code under test ...
//   backend.texts()                            // {"gfx.createGraphicsObject(32)", ...}
//
// Text of a call: "<object>.<operation>(<arguments>)", objects named gfx (the entry points),
// graphics, device, effect, buffer, texture("<file>") and declarationN (N counts from 1). Numbers print in decimal, floats
// with %.9g, pointers in hex (null as "null"), strings in quotes, textures by their file name,
// effect parameters by their name. Bulk data passed by pointer (vertices, indices, matrices,
// vectors, vertex elements) is also kept as bytes in the call record.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gfx/GraphicsApi.h"

namespace gfx {

struct RecordingOptions {
    bool noGraphicsObject = false;                              // createGraphicsObject gives null
    std::uint32_t vertexShaderVersion = gfx::vertexShaderVersion(3, 0);
    std::string adapterDescription = "Recording Adapter";
    unsigned createDeviceFailures = 0;                          // the first N createDevice calls fail
    bool failVertexDeclaration = false;
    std::set<std::string> failingTextures;                      // paths whose load fails
    bool failEffect = false;                                    // the effect load fails ...
    std::string effectErrorText = "effect failed";              // ... with this compiler text
    bool effectErrorBuffer = true;                              // ... returned as a Buffer, or none
};

struct RecordedCall {
    std::string text;
    Result result = kOk;
    std::vector<std::uint8_t> data;      // vertices, matrix, vector or vertex elements passed
    std::vector<std::uint16_t> indices;  // indices of an indexed draw
};

class RecordingBackend : public Backend {
public:
    explicit RecordingBackend(RecordingOptions options = {});
    ~RecordingBackend();
    RecordingBackend(const RecordingBackend&) = delete;
    RecordingBackend& operator=(const RecordingBackend&) = delete;

    RecordingOptions& options() { return options_; }
    const std::vector<RecordedCall>& calls() const { return calls_; }
    std::vector<std::string> texts() const;
    void clearCalls() { calls_.clear(); }
    // Objects created and not yet released.
    int liveObjects() const { return live_; }
    // Calls on released objects and second releases, in order; empty when all use was sound.
    const std::vector<std::string>& misuse() const { return misuse_; }

    GraphicsObject* createGraphicsObject(std::uint32_t sdkVersion) override;
    Result createEffectFromFile(Device* device, const char* path, const void* defines, void* include,
                                std::uint32_t flags, void* pool, Effect** effect, Buffer** errors) override;
    Result createTextureFromFile(Device* device, const char* path, Texture** texture) override;

    // Used by the recorded objects.
    RecordedCall& record(std::string text, Result result = kOk);
    void noteReleased() { --live_; }
    // True while createDevice is still to fail (counts the calls).
    bool takeCreateDeviceFailure();
    void noteMisuse(std::string what) { misuse_.push_back(std::move(what)); }
    template <class T, class... Args>
    T* make(Args&&... args) {
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = object.get();
        objects_.push_back(std::move(object));
        ++live_;
        return raw;
    }

    // Base of every recorded object; kept alive until the backend goes, so that use after
    // release is caught and reported instead of crashing.
    struct Object {
        virtual ~Object() = default;
        bool released = false;
    };

private:
    RecordingOptions options_;
    std::vector<RecordedCall> calls_;
    std::vector<std::unique_ptr<Object>> objects_;
    std::vector<std::string> misuse_;
    int live_ = 0;
    unsigned createDeviceCalls_ = 0;
};

// Installs a backend for the lifetime of the guard and restores the previous one after.
class ScopedBackend {
public:
    explicit ScopedBackend(Backend* backend) : previous_(installBackend(backend)) {}
    ~ScopedBackend() { installBackend(previous_); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

private:
    Backend* previous_;
};

}  // namespace gfx
