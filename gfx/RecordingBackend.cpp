// Recording backend: logs every call in order; see RecordingBackend.h.
#include "gfx/RecordingBackend.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gfx/EffectFile.h"

namespace gfx {

// The library that links this backend serves nothing by default: tests install a recorder.
Backend* defaultBackend() { return nullptr; }

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

std::string pointer(const void* p) {
    if (!p) return "null";
    return format("0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(p));
}

std::string quoted(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }

std::string floats(const float* f, int n) {
    std::string out = "[";
    for (int i = 0; i < n; ++i) out += (i ? ", " : "") + format("%.9g", static_cast<double>(f[i]));
    return out + "]";
}

// Vertices a draw of count primitives of the given type reads.
unsigned verticesFor(std::uint32_t type, unsigned count) {
    switch (type) {
        case 1: return count;              // point list
        case 2: return count * 2;          // line list
        case 3: return count ? count + 1 : 0;  // line strip
        case 4: return count * 3;          // triangle list
        case 5:                            // triangle strip
        case 6: return count ? count + 2 : 0;  // triangle fan
        default: return 0;
    }
}

bool validPrimitive(std::uint32_t type) { return type >= 1 && type <= 6; }

using Object = RecordingBackend::Object;

struct RecTexture final : Texture, Object {
    RecTexture(RecordingBackend& b, std::string n) : backend(b), name(std::move(n)) {}
    void release() override {
        backend.record("texture(" + quoted(name.c_str()) + ").release()");
        if (released) return backend.noteMisuse("texture " + name + " released twice");
        released = true;
        backend.noteReleased();
    }
    RecordingBackend& backend;
    std::string name;
};

struct RecDeclaration final : VertexDeclaration, Object {
    RecDeclaration(RecordingBackend& b, int i) : backend(b), id(i) {}
    void release() override {
        backend.record(format("declaration%d.release()", id));
        if (released) return backend.noteMisuse("declaration released twice");
        released = true;
        backend.noteReleased();
    }
    RecordingBackend& backend;
    int id;
};

struct RecBuffer final : Buffer, Object {
    RecBuffer(RecordingBackend& b, std::string t) : backend(b), text(std::move(t)) {}
    const char* getBufferPointer() override {
        backend.record("buffer.getBufferPointer()");
        if (released) backend.noteMisuse("buffer used after release");
        return text.c_str();
    }
    void release() override {
        backend.record("buffer.release()");
        if (released) return backend.noteMisuse("buffer released twice");
        released = true;
        backend.noteReleased();
    }
    RecordingBackend& backend;
    std::string text;
};

struct RecDevice final : Device, Object {
    explicit RecDevice(RecordingBackend& b) : backend(b) {}

    RecordedCall& call(const std::string& text, Result result = kOk) {
        if (released) backend.noteMisuse(text + " on a released device");
        return backend.record("device." + text, result);
    }
    Result setRenderState(RenderState state, std::uint32_t value) override {
        call(format("setRenderState(%u, %u)", unsigned(state), unsigned(value)));
        return kOk;
    }
    Result beginScene() override {
        call("beginScene()");
        return kOk;
    }
    Result endScene() override {
        call("endScene()");
        return kOk;
    }
    Result clear(std::uint32_t rectCount, const void* rects, std::uint32_t flags, std::uint32_t color, float z,
                 std::uint32_t stencil) override {
        call(format("clear(%u, %s, %u, 0x%08x, %.9g, %u)", unsigned(rectCount), pointer(rects).c_str(), unsigned(flags),
                    unsigned(color), static_cast<double>(z), unsigned(stencil)));
        return kOk;
    }
    Result createVertexDeclaration(const VertexElement* elements, VertexDeclaration** declaration) override {
        std::string list = "[";
        std::vector<std::uint8_t> bytes;
        bool terminated = false;
        for (int i = 0; elements && i < 64; ++i) {
            const VertexElement& e = elements[i];
            const auto* raw = reinterpret_cast<const std::uint8_t*>(&e);
            bytes.insert(bytes.end(), raw, raw + sizeof e);
            if (e.stream == 0xFF) {
                list += i ? ", end" : "end";
                terminated = true;
                break;
            }
            list += (i ? ", " : "") + format("{%u, %u, %u, %u, %u, %u}", unsigned(e.stream), unsigned(e.offset),
                                             unsigned(e.type), unsigned(e.method), unsigned(e.usage),
                                             unsigned(e.usageIndex));
        }
        list += "]";
        const bool fail = backend.options().failVertexDeclaration || !terminated || !declaration;
        RecordedCall& c = call("createVertexDeclaration(" + list + ")", fail ? kFail : kOk);
        c.data = std::move(bytes);
        if (declaration) *declaration = fail ? nullptr : backend.make<RecDeclaration>(backend, ++declarations);
        return fail ? kFail : kOk;
    }
    Result setVertexDeclaration(VertexDeclaration* declaration) override {
        auto* d = dynamic_cast<RecDeclaration*>(declaration);
        call(d ? format("setVertexDeclaration(declaration%d)", d->id) : "setVertexDeclaration(" + pointer(declaration) + ")");
        if (d && d->released) backend.noteMisuse("released declaration set on the device");
        return kOk;
    }
    Result drawPrimitiveUP(PrimitiveType type, unsigned primitiveCount, const void* vertices, unsigned stride) override {
        const bool ok = validPrimitive(type) && vertices && stride;
        RecordedCall& c = call(format("drawPrimitiveUP(%u, %u, %u)", unsigned(type), primitiveCount, stride), ok ? kOk : kFail);
        if (ok) {
            const auto* v = static_cast<const std::uint8_t*>(vertices);
            c.data.assign(v, v + std::size_t(verticesFor(type, primitiveCount)) * stride);
        }
        return ok ? kOk : kFail;
    }
    Result drawIndexedPrimitiveUP(PrimitiveType type, unsigned minVertexIndex, unsigned vertexCount,
                                  unsigned primitiveCount, const void* indices, IndexFormat indexFormat,
                                  const void* vertices, unsigned stride) override {
        const bool ok = validPrimitive(type) && indexFormat == kIndex16 && indices && vertices && stride;
        RecordedCall& c = call(format("drawIndexedPrimitiveUP(%u, %u, %u, %u, %u, %u)", unsigned(type), minVertexIndex,
                                      vertexCount, primitiveCount, unsigned(indexFormat), stride),
                               ok ? kOk : kFail);
        if (ok) {
            const auto* i = static_cast<const std::uint16_t*>(indices);
            c.indices.assign(i, i + verticesFor(type, primitiveCount));
            const auto* v = static_cast<const std::uint8_t*>(vertices);
            c.data.assign(v, v + std::size_t(minVertexIndex + vertexCount) * stride);
        }
        return ok ? kOk : kFail;
    }
    Result present(const void* sourceRect, const void* destRect, WindowHandle window, const void* dirtyRegion) override {
        call("present(" + pointer(sourceRect) + ", " + pointer(destRect) + ", " + pointer(window) + ", " +
             pointer(dirtyRegion) + ")");
        return kOk;
    }
    void release() override {
        backend.record("device.release()");
        if (released) return backend.noteMisuse("device released twice");
        released = true;
        backend.noteReleased();
    }

    RecordingBackend& backend;
    int declarations = 0;
};

struct RecEffect final : Effect, Object {
    RecEffect(RecordingBackend& b, EffectDescription d) : backend(b), description(std::move(d)) {}

    RecordedCall& call(const std::string& text, Result result = kOk) {
        if (released) backend.noteMisuse(text + " on a released effect");
        return backend.record("effect." + text, result);
    }
    const EffectParameter* parameter(Handle h, ParameterType type) const {
        for (const auto& p : description.parameters)
            if (&p == h) return p.type == type ? &p : nullptr;
        return nullptr;
    }
    std::string nameOf(Handle h) const {
        for (const auto& p : description.parameters)
            if (&p == h) return p.name;
        return pointer(h);
    }

    Handle getParameterByName(Handle parent, const char* name) override {
        const EffectParameter* p = (!parent && name) ? description.findParameter(name) : nullptr;
        call("getParameterByName(" + pointer(parent) + ", " + quoted(name) + ")", p ? kOk : kFail);
        return p;
    }
    Result setMatrix(Handle h, const Matrix* value) override {
        const bool ok = parameter(h, ParameterType::kFloat4x4) && value;
        RecordedCall& c = call("setMatrix(" + nameOf(h) + ", " + (value ? floats(&value->m[0][0], 16) : "null") + ")", ok ? kOk : kFail);
        if (value) {
            const auto* raw = reinterpret_cast<const std::uint8_t*>(value);
            c.data.assign(raw, raw + sizeof *value);
        }
        return ok ? kOk : kFail;
    }
    Result setVector(Handle h, const Vector4* value) override {
        const bool ok = parameter(h, ParameterType::kFloat4) && value;
        RecordedCall& c = call("setVector(" + nameOf(h) + ", " + (value ? floats(&value->x, 4) : "null") + ")", ok ? kOk : kFail);
        if (value) {
            const auto* raw = reinterpret_cast<const std::uint8_t*>(value);
            c.data.assign(raw, raw + sizeof *value);
        }
        return ok ? kOk : kFail;
    }
    Result setTexture(Handle h, Texture* texture) override {
        auto* t = dynamic_cast<RecTexture*>(texture);
        const bool ok = parameter(h, ParameterType::kTexture) != nullptr;
        call("setTexture(" + nameOf(h) + ", " + (t ? quoted(t->name.c_str()) : pointer(texture)) + ")", ok ? kOk : kFail);
        if (t && t->released) backend.noteMisuse("released texture " + t->name + " set on the effect");
        return ok ? kOk : kFail;
    }
    Result setTechnique(const char* name) override {
        const EffectTechnique* t = name ? description.findTechnique(name) : nullptr;
        call("setTechnique(" + quoted(name) + ")", t ? kOk : kFail);
        if (t) technique = t;
        return t ? kOk : kFail;
    }
    Result begin(unsigned* passCount, std::uint32_t flags) override {
        const bool ok = technique && !begun;
        call(format("begin(%s, %u)", passCount ? "out" : "null", unsigned(flags)), ok ? kOk : kFail);
        if (!ok) return kFail;
        begun = true;
        if (passCount) *passCount = static_cast<unsigned>(technique->passes.size());
        return kOk;
    }
    Result beginPass(unsigned pass) override {
        const bool ok = begun && !inPass && pass < technique->passes.size();
        call(format("beginPass(%u)", pass), ok ? kOk : kFail);
        if (ok) inPass = true;
        return ok ? kOk : kFail;
    }
    Result commitChanges() override {
        call("commitChanges()", inPass ? kOk : kFail);
        return inPass ? kOk : kFail;
    }
    Result endPass() override {
        call("endPass()", inPass ? kOk : kFail);
        const bool was = inPass;
        inPass = false;
        return was ? kOk : kFail;
    }
    Result end() override {
        const bool ok = begun && !inPass;
        call("end()", ok ? kOk : kFail);
        begun = inPass = false;
        return ok ? kOk : kFail;
    }
    void release() override {
        backend.record("effect.release()");
        if (released) return backend.noteMisuse("effect released twice");
        released = true;
        backend.noteReleased();
    }

    RecordingBackend& backend;
    EffectDescription description;
    const EffectTechnique* technique = nullptr;
    bool begun = false;
    bool inPass = false;
};

struct RecGraphicsObject final : GraphicsObject, Object {
    explicit RecGraphicsObject(RecordingBackend& b) : backend(b) {}

    RecordedCall& call(const std::string& text, Result result = kOk) {
        if (released) backend.noteMisuse(text + " on a released graphics object");
        return backend.record("graphics." + text, result);
    }
    Result getDeviceCaps(unsigned adapter, DeviceType type, Caps* caps) override {
        call(format("getDeviceCaps(%u, %u)", adapter, unsigned(type)));
        if (caps) caps->vertexShaderVersion = backend.options().vertexShaderVersion;
        return kOk;
    }
    Result getAdapterIdentifier(unsigned adapter, std::uint32_t flags, AdapterIdentifier* identifier) override {
        call(format("getAdapterIdentifier(%u, %u)", adapter, unsigned(flags)));
        if (identifier) {
            std::memset(identifier->description, 0, sizeof identifier->description);
            std::strncpy(identifier->description, backend.options().adapterDescription.c_str(),
                         sizeof identifier->description - 1);
        }
        return kOk;
    }
    Result createDevice(unsigned adapter, DeviceType type, WindowHandle focusWindow, std::uint32_t behaviorFlags,
                        PresentParameters* p, Device** device) override;
    void release() override {
        backend.record("graphics.release()");
        if (released) return backend.noteMisuse("graphics object released twice");
        released = true;
        backend.noteReleased();
    }

    RecordingBackend& backend;
};

}  // namespace

Result RecGraphicsObject::createDevice(unsigned adapter, DeviceType type, WindowHandle focusWindow,
                                       std::uint32_t behaviorFlags, PresentParameters* p, Device** device) {
    std::string params = "null";
    if (p)
        params = format("{%u, %u, %u, %u, %u, %u, %u, %s, %d, %d, %u, %u, %u, %u}", p->backBufferWidth, p->backBufferHeight,
                        p->backBufferFormat, p->backBufferCount, p->multiSampleType, p->multiSampleQuality, p->swapEffect,
                        pointer(p->deviceWindow).c_str(), p->windowed, p->enableAutoDepthStencil,
                        p->autoDepthStencilFormat, p->flags, p->fullScreenRefreshRateInHz, p->presentationInterval);
    const bool fail = backend.takeCreateDeviceFailure() || !p || !device;
    call(format("createDevice(%u, %u, %s, 0x%x, ", adapter, unsigned(type), pointer(focusWindow).c_str(),
                unsigned(behaviorFlags)) + params + ")",
         fail ? kFail : kOk);
    if (device) *device = fail ? nullptr : backend.make<RecDevice>(backend);
    return fail ? kFail : kOk;
}

RecordingBackend::RecordingBackend(RecordingOptions options) : options_(std::move(options)) {}
RecordingBackend::~RecordingBackend() = default;

std::vector<std::string> RecordingBackend::texts() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const auto& c : calls_) out.push_back(c.text);
    return out;
}

RecordedCall& RecordingBackend::record(std::string text, Result result) {
    calls_.push_back(RecordedCall{std::move(text), result, {}, {}});
    return calls_.back();
}

bool RecordingBackend::takeCreateDeviceFailure() {
    return createDeviceCalls_++ < options_.createDeviceFailures;
}

namespace {
std::string describeDevice(Device* device) {
    auto* d = dynamic_cast<RecDevice*>(device);
    return d ? (d->released ? "released device" : "device") : pointer(device);
}
}  // namespace

GraphicsObject* RecordingBackend::createGraphicsObject(std::uint32_t sdkVersion) {
    const bool fail = options_.noGraphicsObject;
    record(format("gfx.createGraphicsObject(%u)", unsigned(sdkVersion)), fail ? kFail : kOk);
    if (fail) return nullptr;
    return make<RecGraphicsObject>(*this);
}

Result RecordingBackend::createEffectFromFile(Device* device, const char* path, const void* defines, void* include,
                                              std::uint32_t flags, void* pool, Effect** effect, Buffer** errors) {
    std::string errorText;
    EffectReadResult read;
    if (options_.failEffect) {
        errorText = options_.effectErrorText;
    } else {
        read = readEffectFile(path);
        if (!read.ok) errorText = read.error;
    }
    const bool fail = !errorText.empty() || !effect || !dynamic_cast<RecDevice*>(device);
    if (fail && errorText.empty()) errorText = "no device or no effect pointer";
    record("gfx.createEffectFromFile(" + describeDevice(device) + ", " + quoted(path) + ", " + pointer(defines) + ", " +
               pointer(include) + format(", %u, ", unsigned(flags)) + pointer(pool) + ")",
           fail ? kFail : kOk);
    if (errors) *errors = nullptr;
    if (fail) {
        if (effect) *effect = nullptr;
        if (errors && options_.effectErrorBuffer) *errors = make<RecBuffer>(*this, errorText);
        return kFail;
    }
    *effect = make<RecEffect>(*this, std::move(read.effect));
    return kOk;
}

Result RecordingBackend::createTextureFromFile(Device* device, const char* path, Texture** texture) {
    const bool fail = !path || options_.failingTextures.count(path) || !texture || !dynamic_cast<RecDevice*>(device);
    record("gfx.createTextureFromFile(" + describeDevice(device) + ", " + quoted(path) + ")", fail ? kFail : kOk);
    if (texture) *texture = fail ? nullptr : make<RecTexture>(*this, path);
    return fail ? kFail : kOk;
}

}  // namespace gfx
