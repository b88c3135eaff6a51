// The OpenGL 3.3 core backend, on SDL2 windows and contexts, with GL entry points through
// libepoxy.
//
// Mapping of the layer onto OpenGL:
// - Graphics object: SDL's video subsystem. Its capabilities come from a probe: a hidden 1 x 1
//   window tries for a 3.3 core context. If it gets one, the vertex shader version reported is
//   3.0; otherwise the best context the driver gives tells what it has: OpenGL 2.0 to 3.2
//   report 2.0, anything older 0.0. The adapter description is GL_RENDERER.
// - Device: an OpenGL context on the given window. It draws into a back buffer of its own
//   (framebuffer object, RGBA8 colour, depth of the requested format, the requested size),
//   which present() copies into the window and swaps. Swap interval 1; where the driver cannot
//   wait for the retrace itself (the swap interval is refused, or a software renderer such as
//   llvmpipe under Xvfb), present() waits out the rest of the display's refresh period.
// - Render states go to GL state at once: depth test and writes, blending (factors and
//   operation), culling, line smoothing; point-sprite enable reaches the shaders as the uniform
//   gfxPointSprite. Lighting has no meaning without fixed-function and is accepted and ignored.
// - Vertex declarations are vertex array objects; draws from client memory stream the vertices
//   (and indices) through one buffer each, allocated once and grown only when a draw needs more.
// - Effects: the effect file's passes compiled into programs at load; parameters are kept and
//   sent to the pass's program at beginPass and commitChanges, as the original effect system did.
// - Textures: decoded in software (ImageReaders.h), uploaded with their full mip chain,
//   trilinear filtering, clamped at the edges (a sprite covers its texture exactly once).
// Objects made by a device keep it alive until they are released, so release order is free.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <SDL.h>
#include <epoxy/gl.h>

#include "gfx/EffectFile.h"
#include "gfx/FileBytes.h"
#include "gfx/GlWindow.h"
#include "gfx/GraphicsApi.h"
#include "gfx/ImageReaders.h"

namespace gfx {

namespace {

constexpr std::uint32_t kFormatX8R8G8B8 = 22;
constexpr std::uint32_t kFormatD24S8 = 75;
constexpr std::uint32_t kFormatD24X8 = 77;
constexpr std::uint32_t kPresentIntervalDefault = 0;
constexpr std::uint32_t kCullCw = 2;
constexpr std::uint32_t kCullCcw = 3;
constexpr std::uint32_t kClearStencil = 4;

void setContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    // The window needs no depth buffer: the device draws into its own back buffer.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

bool isSoftwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

unsigned verticesFor(std::uint32_t type, unsigned count) {
    switch (type) {
        case 1: return count;
        case 2: return count * 2;
        case 3: return count ? count + 1 : 0;
        case 4: return count * 3;
        case 5:
        case 6: return count ? count + 2 : 0;
        default: return 0;
    }
}

GLenum glPrimitive(std::uint32_t type) {
    switch (type) {
        case 1: return GL_POINTS;
        case 2: return GL_LINES;
        case 3: return GL_LINE_STRIP;
        case 4: return GL_TRIANGLES;
        case 5: return GL_TRIANGLE_STRIP;
        default: return GL_TRIANGLE_FAN;
    }
}

GLenum glBlendFactor(std::uint32_t blend) {
    switch (blend) {
        case 1: return GL_ZERO;
        case 2: return GL_ONE;
        case 3: return GL_SRC_COLOR;
        case 4: return GL_ONE_MINUS_SRC_COLOR;
        case 5: return GL_SRC_ALPHA;
        case 6: return GL_ONE_MINUS_SRC_ALPHA;
        case 7: return GL_DST_ALPHA;
        case 8: return GL_ONE_MINUS_DST_ALPHA;
        case 9: return GL_DST_COLOR;
        case 10: return GL_ONE_MINUS_DST_COLOR;
        case 11: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum glBlendOp(std::uint32_t op) {
    switch (op) {
        case 2: return GL_FUNC_SUBTRACT;
        case 3: return GL_FUNC_REVERSE_SUBTRACT;
        case 4: return GL_MIN;
        case 5: return GL_MAX;
        default: return GL_FUNC_ADD;
    }
}

class GlDevice;
class GlEffect;

// What the capability probe found.
struct Probe {
    bool done = false;
    std::uint32_t vertexShaderVersion = 0;
    std::string renderer = "unknown OpenGL renderer";
};

class GlGraphicsObject final : public GraphicsObject {
public:
    Result getDeviceCaps(unsigned adapter, DeviceType type, Caps* caps) override {
        if (!caps || adapter != 0 || type != kDeviceHal) return kFail;
        probe();
        caps->vertexShaderVersion = probe_.vertexShaderVersion;
        return kOk;
    }
    Result getAdapterIdentifier(unsigned adapter, std::uint32_t, AdapterIdentifier* identifier) override {
        if (!identifier || adapter != 0) return kFail;
        probe();
        std::memset(identifier->description, 0, sizeof identifier->description);
        std::strncpy(identifier->description, probe_.renderer.c_str(), sizeof identifier->description - 1);
        return kOk;
    }
    Result createDevice(unsigned adapter, DeviceType type, WindowHandle focusWindow, std::uint32_t behaviorFlags,
                        PresentParameters* parameters, Device** device) override;
    void release() override {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        delete this;
    }

private:
    void probe();
    Probe probe_;
};

void GlGraphicsObject::probe() {
    if (probe_.done) return;
    probe_.done = true;
    setContextAttributes();
    SDL_Window* window = SDL_CreateWindow("probe", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    bool core33 = context != nullptr;
    if (!context) {
        // No 3.3 core context: ask for whatever the driver offers and see what that is.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
        context = SDL_GL_CreateContext(window);
    }
    if (context) {
        SDL_GL_MakeCurrent(window, context);
        const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (renderer) probe_.renderer = renderer;
        int major = 0, minor = 0;
        if (const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
            std::sscanf(version, "%d.%d", &major, &minor);
        if (core33 && (major > 3 || (major == 3 && minor >= 3)))
            probe_.vertexShaderVersion = vertexShaderVersion(3, 0);
        else if (major >= 2)
            probe_.vertexShaderVersion = vertexShaderVersion(2, 0);
        else
            probe_.vertexShaderVersion = vertexShaderVersion(0, 0);
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(window);
    setContextAttributes();
}

// Base of the objects a device makes: each holds a reference on its device.
class Child {
public:
    explicit Child(GlDevice* device);
    virtual ~Child();
    GlDevice* device() const { return device_; }

private:
    GlDevice* device_;
};

class GlTexture final : public Texture, public Child {
public:
    GlTexture(GlDevice* device, GLuint id);
    ~GlTexture() override;
    void release() override { delete this; }
    GLuint id;
};

struct Attribute {
    GLuint location;
    GLint size;  // components, or GL_BGRA for a packed colour
    GLenum type;
    GLboolean normalized;
    GLuint offset;
};

class GlDeclaration final : public VertexDeclaration, public Child {
public:
    GlDeclaration(GlDevice* device, std::vector<Attribute> attributes);
    ~GlDeclaration() override;
    void release() override { delete this; }
    GLuint vao = 0;
    std::vector<Attribute> attributes;
};

class GlBuffer final : public Buffer {
public:
    explicit GlBuffer(std::string text) : text_(std::move(text)) {}
    const char* getBufferPointer() override { return text_.c_str(); }
    void release() override { delete this; }

private:
    std::string text_;
};

// A linked program of one pass, with where its uniforms are.
struct PassProgram {
    GLuint program = 0;
    std::vector<GLint> parameterLocations;  // by parameter index; -1 when unused
    GLint pointSpriteLocation = -1;
    GLint viewportLocation = -1;
    int pointSpriteSent = -1;
};

class GlDevice final : public Device {
public:
    GlDevice(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}

    bool init(const PresentParameters& p, GLenum depthFormat);

    Result setRenderState(RenderState state, std::uint32_t value) override;
    Result beginScene() override {
        if (inScene_) return kFail;
        inScene_ = true;
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        return kOk;
    }
    Result endScene() override {
        if (!inScene_) return kFail;
        inScene_ = false;
        return kOk;
    }
    Result clear(std::uint32_t rectCount, const void* rects, std::uint32_t flags, std::uint32_t color, float z,
                 std::uint32_t stencil) override;
    Result createVertexDeclaration(const VertexElement* elements, VertexDeclaration** declaration) override;
    Result setVertexDeclaration(VertexDeclaration* declaration) override {
        declaration_ = dynamic_cast<GlDeclaration*>(declaration);
        glBindVertexArray(declaration_ ? declaration_->vao : emptyVao_);
        return declaration_ || !declaration ? kOk : kFail;
    }
    Result drawPrimitiveUP(PrimitiveType type, unsigned primitiveCount, const void* vertices, unsigned stride) override;
    Result drawIndexedPrimitiveUP(PrimitiveType type, unsigned minVertexIndex, unsigned vertexCount,
                                  unsigned primitiveCount, const void* indices, IndexFormat indexFormat,
                                  const void* vertices, unsigned stride) override;
    Result present(const void* sourceRect, const void* destRect, WindowHandle window, const void* dirtyRegion) override;
    void release() override { unref(); }

    void ref() { ++references_; }
    void unref() {
        if (--references_ == 0) destroy();
    }
    GLuint indexBuffer() const { return indexBuffer_; }
    void setActivePass(PassProgram* pass) { activePass_ = pass; }
    bool pointSprite() const { return pointSprite_; }
    float width() const { return float(width_); }
    float height() const { return float(height_); }
    void noteTexture(GlTexture* t, bool alive) {
        if (alive) textures_.insert(t);
        else textures_.erase(t);
    }
    bool textureAlive(const Texture* t) const { return textures_.count(const_cast<Texture*>(t)) != 0; }
    bool readBack(std::vector<std::uint8_t>& rgba, unsigned& width, unsigned& height);
    // present() waits out the rest of each refresh period of this many counter ticks.
    void setPacing(Uint64 period) {
        paced_ = true;
        period_ = period;
    }

private:
    bool prepareDraw(const void* vertices, std::size_t bytes, unsigned stride);
    void pace();
    void destroy();

    SDL_Window* window_;
    SDL_GLContext context_;
    int references_ = 1;
    GLuint framebuffer_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    GLuint vertexBuffer_ = 0, indexBuffer_ = 0, emptyVao_ = 0;
    std::size_t vertexCapacity_ = 0, indexCapacity_ = 0;
    std::uint32_t width_ = 0, height_ = 0;
    bool depthWrite_ = true;
    bool pointSprite_ = false;
    std::uint32_t cullMode_ = kCullCcw;
    std::uint32_t srcBlend_ = 2, destBlend_ = 1;
    bool inScene_ = false;
    GlDeclaration* declaration_ = nullptr;
    PassProgram* activePass_ = nullptr;
    std::set<Texture*> textures_;
    // Pacing when the driver does not wait for the retrace.
    bool paced_ = false;
    Uint64 period_ = 0;
    Uint64 deadline_ = 0;
};

Child::Child(GlDevice* device) : device_(device) { device_->ref(); }
Child::~Child() { device_->unref(); }

GlTexture::GlTexture(GlDevice* device, GLuint i) : Child(device), id(i) { device->noteTexture(this, true); }
GlTexture::~GlTexture() {
    glDeleteTextures(1, &id);
    device()->noteTexture(this, false);
}

GlDeclaration::GlDeclaration(GlDevice* device, std::vector<Attribute> a) : Child(device), attributes(std::move(a)) {
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, device->indexBuffer());
    for (const auto& attribute : attributes) glEnableVertexAttribArray(attribute.location);
}
GlDeclaration::~GlDeclaration() { glDeleteVertexArrays(1, &vao); }

bool GlDevice::init(const PresentParameters& p, GLenum depthFormat) {
    width_ = p.backBufferWidth;
    height_ = p.backBufferHeight;
    if (width_ == 0 || height_ == 0) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        width_ = static_cast<std::uint32_t>(std::max(w, 1));
        height_ = static_cast<std::uint32_t>(std::max(h, 1));
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width_ > std::uint32_t(maxSize) || height_ > std::uint32_t(maxSize)) return false;

    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &colorBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(width_), GLsizei(height_));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    if (depthFormat) {
        glGenRenderbuffers(1, &depthBuffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, GLsizei(width_), GLsizei(height_));
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, depthFormat == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depthBuffer_);
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

    glGenBuffers(1, &vertexBuffer_);
    glGenBuffers(1, &indexBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glGenVertexArrays(1, &emptyVao_);
    glBindVertexArray(emptyVao_);

    // The initial state of a device: depth test on when it has a depth buffer, depth writes on,
    // less-or-equal, counter-clockwise faces culled, no blending (one, zero, add).
    glViewport(0, 0, GLsizei(width_), GLsizei(height_));
    glEnable(GL_PROGRAM_POINT_SIZE);
    if (depthFormat) glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    return true;
}

Result GlDevice::setRenderState(RenderState state, std::uint32_t value) {
    switch (state) {
        case kZEnable:
            if (value) glEnable(GL_DEPTH_TEST);
            else glDisable(GL_DEPTH_TEST);
            return kOk;
        case kZWriteEnable:
            depthWrite_ = value != 0;
            glDepthMask(depthWrite_ ? GL_TRUE : GL_FALSE);
            return kOk;
        case kSrcBlend:
            srcBlend_ = value;
            glBlendFunc(glBlendFactor(srcBlend_), glBlendFactor(destBlend_));
            return kOk;
        case kDestBlend:
            destBlend_ = value;
            glBlendFunc(glBlendFactor(srcBlend_), glBlendFactor(destBlend_));
            return kOk;
        case kCullMode:
            // Clockwise in the y-down screen of the original convention is counter-clockwise in
            // OpenGL's y-up window, hence the swap.
            cullMode_ = value;
            if (value == kCullCw || value == kCullCcw) {
                glEnable(GL_CULL_FACE);
                glFrontFace(value == kCullCcw ? GL_CCW : GL_CW);
            } else {
                glDisable(GL_CULL_FACE);
            }
            return kOk;
        case kAlphaBlendEnable:
            if (value) glEnable(GL_BLEND);
            else glDisable(GL_BLEND);
            return kOk;
        case kLighting:
            return kOk;
        case kPointSpriteEnable:
            pointSprite_ = value != 0;
            return kOk;
        case kBlendOp:
            glBlendEquation(glBlendOp(value));
            return kOk;
        case kAntialiasedLineEnable:
            if (value) glEnable(GL_LINE_SMOOTH);
            else glDisable(GL_LINE_SMOOTH);
            return kOk;
    }
    return kFail;
}

Result GlDevice::clear(std::uint32_t rectCount, const void* rects, std::uint32_t flags, std::uint32_t color, float z,
                       std::uint32_t stencil) {
    GLbitfield mask = 0;
    if (flags & kClearTarget) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & kClearZBuffer) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & kClearStencil) mask |= GL_STENCIL_BUFFER_BIT;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f, float(color & 0xFF) / 255.0f,
                 float(color >> 24) / 255.0f);
    glClearDepth(z);
    glClearStencil(GLint(stencil));
    // A clear ignores the depth-write state.
    glDepthMask(GL_TRUE);
    if (rectCount == 0 || !rects) {
        glClear(mask);
    } else {
        // Rectangles: left, top, right, bottom, 32-bit each, y down.
        const auto* r = static_cast<const std::int32_t*>(rects);
        glEnable(GL_SCISSOR_TEST);
        for (std::uint32_t i = 0; i < rectCount; ++i, r += 4) {
            const std::int32_t left = std::max(r[0], 0), top = std::max(r[1], 0);
            const std::int32_t right = std::min<std::int32_t>(r[2], std::int32_t(width_)), bottom = std::min<std::int32_t>(r[3], std::int32_t(height_));
            if (right <= left || bottom <= top) continue;
            glScissor(left, std::int32_t(height_) - bottom, right - left, bottom - top);
            glClear(mask);
        }
        glDisable(GL_SCISSOR_TEST);
    }
    glDepthMask(depthWrite_ ? GL_TRUE : GL_FALSE);
    return kOk;
}

Result GlDevice::createVertexDeclaration(const VertexElement* elements, VertexDeclaration** declaration) {
    if (!elements || !declaration) return kFail;
    *declaration = nullptr;
    std::vector<Attribute> attributes;
    for (int i = 0;; ++i) {
        if (i == 64) return kFail;  // no end marker
        const VertexElement& e = elements[i];
        if (e.stream == 0xFF) break;
        if (e.stream != 0) return kFail;  // draws from memory have one stream
        GLuint location;
        if (e.usage == kDeclUsagePosition && e.usageIndex == 0) location = 0;
        else if (e.usage == kDeclUsageColor && e.usageIndex < 2) location = 1 + e.usageIndex;
        else if (e.usage == 3 && e.usageIndex == 0) location = 3;  // normal
        else if (e.usage == 5 && e.usageIndex < 8) location = 4 + e.usageIndex;  // texture coordinates
        else return kFail;
        Attribute a{location, 0, GL_FLOAT, GL_FALSE, e.offset};
        switch (e.type) {
            case 0: case 1: case 2: case 3: a.size = e.type + 1; break;
            case kDeclTypeColor: a.size = GL_BGRA; a.type = GL_UNSIGNED_BYTE; a.normalized = GL_TRUE; break;
            case 5: a.size = 4; a.type = GL_UNSIGNED_BYTE; break;                              // four bytes
            case 8: a.size = 4; a.type = GL_UNSIGNED_BYTE; a.normalized = GL_TRUE; break;      // four bytes, 0..1
            default: return kFail;
        }
        for (const auto& other : attributes)
            if (other.location == location) return kFail;
        attributes.push_back(a);
    }
    *declaration = new GlDeclaration(this, std::move(attributes));
    glBindVertexArray(declaration_ ? declaration_->vao : emptyVao_);
    return kOk;
}

// Uploads the vertices, points the declaration's attributes at them and sends the uniforms the
// backend owns. False when nothing can be drawn.
bool GlDevice::prepareDraw(const void* vertices, std::size_t bytes, unsigned stride) {
    if (!declaration_ || !activePass_ || !vertices || stride == 0) return false;
    for (const auto& a : declaration_->attributes) {
        const std::size_t width = a.size == GL_BGRA ? 4 : std::size_t(a.size) * (a.type == GL_FLOAT ? 4 : 1);
        if (a.offset + width > stride) return false;
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    if (bytes > vertexCapacity_) vertexCapacity_ = std::max(bytes, vertexCapacity_ * 2);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexCapacity_), nullptr, GL_STREAM_DRAW);  // fresh storage, no stall
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), vertices);
    for (const auto& a : declaration_->attributes)
        glVertexAttribPointer(a.location, a.size, a.type, a.normalized, GLsizei(stride),
                              reinterpret_cast<const void*>(std::uintptr_t(a.offset)));
    const int sprite = pointSprite_ ? 1 : 0;
    if (activePass_->pointSpriteLocation >= 0 && activePass_->pointSpriteSent != sprite) {
        glUniform1i(activePass_->pointSpriteLocation, sprite);
        activePass_->pointSpriteSent = sprite;
    }
    return true;
}

Result GlDevice::drawPrimitiveUP(PrimitiveType type, unsigned primitiveCount, const void* vertices, unsigned stride) {
    if (type < 1 || type > 6) return kFail;
    const unsigned count = verticesFor(type, primitiveCount);
    if (count == 0) return kOk;
    if (!prepareDraw(vertices, std::size_t(count) * stride, stride)) return kFail;
    glDrawArrays(glPrimitive(type), 0, GLsizei(count));
    return kOk;
}

Result GlDevice::drawIndexedPrimitiveUP(PrimitiveType type, unsigned minVertexIndex, unsigned vertexCount,
                                        unsigned primitiveCount, const void* indices, IndexFormat indexFormat,
                                        const void* vertices, unsigned stride) {
    if (type < 1 || type > 6 || indexFormat != kIndex16 || !indices) return kFail;
    const unsigned count = verticesFor(type, primitiveCount);
    if (count == 0) return kOk;
    // Every index must name one of the vertices the caller said it passes.
    const auto* index = static_cast<const std::uint16_t*>(indices);
    const std::uint64_t end = std::uint64_t(minVertexIndex) + vertexCount;
    for (unsigned i = 0; i < count; ++i)
        if (index[i] < minVertexIndex || index[i] >= end) return kFail;
    if (!prepareDraw(vertices, std::size_t(end) * stride, stride)) return kFail;
    const std::size_t indexBytes = std::size_t(count) * 2;
    if (indexBytes > indexCapacity_) indexCapacity_ = std::max(indexBytes, indexCapacity_ * 2);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexCapacity_), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(indexBytes), indices);
    glDrawElements(glPrimitive(type), GLsizei(count), GL_UNSIGNED_SHORT, nullptr);
    return kOk;
}

void GlDevice::pace() {
    if (!paced_) return;
    Uint64 now = SDL_GetPerformanceCounter();
    if (deadline_ != 0 && now < deadline_) {
        const Uint64 frequency = SDL_GetPerformanceFrequency();
        // Sleep in whole milliseconds, leaving the last one to a short spin for accuracy.
        const Uint64 remainingMs = (deadline_ - now) * 1000 / frequency;
        if (remainingMs > 1) SDL_Delay(Uint32(remainingMs - 1));
        while ((now = SDL_GetPerformanceCounter()) < deadline_) {
        }
    }
    // The next frame is due one period after this one; a frame that came late starts the count
    // anew rather than letting the following frames hurry.
    deadline_ = (deadline_ != 0 && now < deadline_ + period_) ? deadline_ + period_ : now + period_;
}

Result GlDevice::present(const void*, const void*, WindowHandle window, const void*) {
    SDL_Window* target = window ? static_cast<SDL_Window*>(window) : window_;
    if (target != window_) return kFail;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, GLint(width_), GLint(height_), 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                      (std::uint32_t(w) == width_ && std::uint32_t(h) == height_) ? GL_NEAREST : GL_LINEAR);
    pace();
    SDL_GL_SwapWindow(window_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    return kOk;
}

bool GlDevice::readBack(std::vector<std::uint8_t>& rgba, unsigned& width, unsigned& height) {
    width = width_;
    height = height_;
    rgba.assign(std::size_t(width_) * height_ * 4, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    // OpenGL's rows run bottom to top.
    const std::size_t row = std::size_t(width_) * 4;
    std::vector<std::uint8_t> swap(row);
    for (std::uint32_t y = 0; y < height_ / 2; ++y) {
        std::uint8_t* a = rgba.data() + y * row;
        std::uint8_t* b = rgba.data() + (height_ - 1 - y) * row;
        std::memcpy(swap.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap.data(), row);
    }
    return true;
}

void GlDevice::destroy() {
    glBindVertexArray(0);
    glDeleteVertexArrays(1, &emptyVao_);
    glDeleteBuffers(1, &vertexBuffer_);
    glDeleteBuffers(1, &indexBuffer_);
    glDeleteRenderbuffers(1, &colorBuffer_);
    if (depthBuffer_) glDeleteRenderbuffers(1, &depthBuffer_);
    glDeleteFramebuffers(1, &framebuffer_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    delete this;
}

Result GlGraphicsObject::createDevice(unsigned adapter, DeviceType type, WindowHandle focusWindow, std::uint32_t,
                                      PresentParameters* p, Device** device) {
    if (!device) return kFail;
    *device = nullptr;
    SDL_Window* window = static_cast<SDL_Window*>(p && p->deviceWindow ? p->deviceWindow : focusWindow);
    if (!p || !window || adapter != 0 || type != kDeviceHal) return kFail;
    if (p->backBufferFormat != kFormatA8R8G8B8 && p->backBufferFormat != kFormatX8R8G8B8) return kFail;
    if (p->multiSampleType != 0 || p->windowed == 0) return kFail;  // no multisampling, no full screen
    GLenum depthFormat = 0;
    if (p->enableAutoDepthStencil) {
        if (p->autoDepthStencilFormat == kFormatD16) depthFormat = GL_DEPTH_COMPONENT16;
        else if (p->autoDepthStencilFormat == kFormatD24X8) depthFormat = GL_DEPTH_COMPONENT24;
        else if (p->autoDepthStencilFormat == kFormatD24S8) depthFormat = GL_DEPTH24_STENCIL8;
        else return kFail;
    }
    const bool vsync = p->presentationInterval == kPresentIntervalOne || p->presentationInterval == kPresentIntervalDefault;

    setContextAttributes();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "gfx: no OpenGL 3.3 core context: %s\n", SDL_GetError());
        return kFail;
    }
    SDL_GL_MakeCurrent(window, context);
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major < 3 || (major == 3 && minor < 3)) {
        SDL_GL_DeleteContext(context);
        return kFail;
    }
    auto* d = new GlDevice(window, context);
    if (!d->init(*p, depthFormat)) {
        std::fprintf(stderr, "gfx: the back buffer could not be made\n");
        d->release();
        return kFail;
    }
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const bool intervalSet = SDL_GL_SetSwapInterval(vsync ? 1 : 0) == 0 && SDL_GL_GetSwapInterval() == (vsync ? 1 : 0);
    if (vsync && (!intervalSet || isSoftwareRenderer(renderer ? renderer : ""))) {
        SDL_DisplayMode mode{};
        int refresh = 0;
        const int display = SDL_GetWindowDisplayIndex(window);
        if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0) refresh = mode.refresh_rate;
        if (refresh <= 0) refresh = 60;
        d->setPacing(SDL_GetPerformanceFrequency() / Uint64(refresh));
    }
    *device = d;
    return kOk;
}

class GlEffect final : public Effect, public Child {
public:
    GlEffect(GlDevice* device, EffectDescription description) : Child(device), fx_(std::move(description)) {
        values_.resize(fx_.parameters.size());
    }
    ~GlEffect() override {
        device()->setActivePass(nullptr);
        glUseProgram(0);
        for (auto& t : programs_)
            for (auto& p : t) glDeleteProgram(p.program);
    }

    // Compiles every pass of every technique; on failure the compiler's text.
    bool build(const std::string& path, std::string& error);

    Handle getParameterByName(Handle parent, const char* name) override {
        if (parent || !name) return nullptr;
        return fx_.findParameter(name);
    }
    Result setMatrix(Handle h, const Matrix* value) override {
        const int i = index(h, ParameterType::kFloat4x4);
        if (i < 0 || !value) return kFail;
        std::memcpy(values_[i].floats, &value->m[0][0], 64);
        return kOk;
    }
    Result setVector(Handle h, const Vector4* value) override {
        const int i = index(h, ParameterType::kFloat4);
        if (i < 0 || !value) return kFail;
        std::memcpy(values_[i].floats, &value->x, 16);
        return kOk;
    }
    Result setTexture(Handle h, Texture* texture) override {
        const int i = index(h, ParameterType::kTexture);
        if (i < 0) return kFail;
        values_[i].texture = texture;
        return kOk;
    }
    Result setTechnique(const char* name) override {
        const EffectTechnique* t = name ? fx_.findTechnique(name) : nullptr;
        if (!t) return kFail;
        technique_ = int(t - fx_.techniques.data());
        return kOk;
    }
    Result begin(unsigned* passCount, std::uint32_t) override {
        if (begun_) return kFail;
        begun_ = true;
        if (passCount) *passCount = unsigned(fx_.techniques[technique_].passes.size());
        return kOk;
    }
    Result beginPass(unsigned pass) override {
        if (!begun_ || pass_ || pass >= programs_[technique_].size()) return kFail;
        pass_ = &programs_[technique_][pass];
        glUseProgram(pass_->program);
        device()->setActivePass(pass_);
        send();
        return kOk;
    }
    Result commitChanges() override {
        if (!pass_) return kFail;
        send();
        return kOk;
    }
    Result endPass() override {
        if (!pass_) return kFail;
        pass_ = nullptr;
        device()->setActivePass(nullptr);
        return kOk;
    }
    Result end() override {
        if (!begun_ || pass_) return kFail;
        begun_ = false;
        return kOk;
    }
    void release() override { delete this; }

private:
    struct Value {
        float floats[16] = {};
        Texture* texture = nullptr;
    };

    int index(Handle h, ParameterType type) const {
        for (std::size_t i = 0; i < fx_.parameters.size(); ++i)
            if (&fx_.parameters[i] == h) return fx_.parameters[i].type == type ? int(i) : -1;
        return -1;
    }

    void send() {
        GLint unit = 0;
        for (std::size_t i = 0; i < fx_.parameters.size(); ++i) {
            const GLint location = pass_->parameterLocations[i];
            const ParameterType type = fx_.parameters[i].type;
            if (type == ParameterType::kTexture) {
                // A texture released since it was set is no longer bound.
                const Texture* t = values_[i].texture;
                const auto* gl = t && device()->textureAlive(t) ? static_cast<const GlTexture*>(t) : nullptr;
                glActiveTexture(GL_TEXTURE0 + unit++);
                glBindTexture(GL_TEXTURE_2D, gl ? gl->id : 0);
                continue;
            }
            if (location < 0) continue;
            if (type == ParameterType::kFloat4x4) glUniformMatrix4fv(location, 1, GL_FALSE, values_[i].floats);
            else glUniform4fv(location, 1, values_[i].floats);
        }
        if (pass_->viewportLocation >= 0) glUniform2f(pass_->viewportLocation, device()->width(), device()->height());
        const int sprite = device()->pointSprite() ? 1 : 0;
        if (pass_->pointSpriteLocation >= 0) glUniform1i(pass_->pointSpriteLocation, sprite);
        pass_->pointSpriteSent = sprite;
    }

    EffectDescription fx_;
    std::vector<Value> values_;
    std::vector<std::vector<PassProgram>> programs_;  // by technique, then pass
    int technique_ = 0;
    bool begun_ = false;
    PassProgram* pass_ = nullptr;
};

GLuint compileStage(GLenum stage, const std::string& text, std::string& log) {
    GLuint shader = glCreateShader(stage);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE, length = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (!ok) {
        log.assign(std::size_t(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shader, GLsizei(log.size()), nullptr, log.data());
        log.resize(std::strlen(log.c_str()));
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool GlEffect::build(const std::string& path, std::string& error) {
    for (const auto& technique : fx_.techniques) {
        programs_.emplace_back();
        for (std::size_t p = 0; p < technique.passes.size(); ++p) {
            const EffectPass& pass = technique.passes[p];
            const std::string where = path + ": technique " + technique.name + ", pass " + std::to_string(p);
            std::string log;
            const EffectSource* vs = fx_.findSource(pass.vertexSource);
            const EffectSource* fs = fx_.findSource(pass.fragmentSource);
            GLuint vertex = compileStage(GL_VERTEX_SHADER, stageText(fx_, *vs), log);
            if (!vertex) {
                error = where + ", vertex source " + vs->name + ":\n" + log;
                return false;
            }
            GLuint fragment = compileStage(GL_FRAGMENT_SHADER, stageText(fx_, *fs), log);
            if (!fragment) {
                glDeleteShader(vertex);
                error = where + ", fragment source " + fs->name + ":\n" + log;
                return false;
            }
            PassProgram program;
            program.program = glCreateProgram();
            programs_.back().push_back(program);  // deleted with the effect from here on
            GLuint id = program.program;
            glAttachShader(id, vertex);
            glAttachShader(id, fragment);
            glLinkProgram(id);
            glDeleteShader(vertex);
            glDeleteShader(fragment);
            GLint ok = GL_FALSE, length = 0;
            glGetProgramiv(id, GL_LINK_STATUS, &ok);
            if (!ok) {
                glGetProgramiv(id, GL_INFO_LOG_LENGTH, &length);
                log.assign(std::size_t(std::max(length, 1)), '\0');
                glGetProgramInfoLog(id, GLsizei(log.size()), nullptr, log.data());
                log.resize(std::strlen(log.c_str()));
                error = where + ", linking " + vs->name + " with " + fs->name + ":\n" + log;
                return false;
            }
            PassProgram& stored = programs_.back().back();
            glUseProgram(id);
            GLint unit = 0;
            for (const auto& parameter : fx_.parameters) {
                const GLint location = glGetUniformLocation(id, parameter.name.c_str());
                stored.parameterLocations.push_back(location);
                if (parameter.type == ParameterType::kTexture) {
                    if (location >= 0) glUniform1i(location, unit);
                    ++unit;
                }
            }
            stored.pointSpriteLocation = glGetUniformLocation(id, "gfxPointSprite");
            stored.viewportLocation = glGetUniformLocation(id, "gfxViewportSize");
        }
    }
    glUseProgram(0);
    return true;
}

class GlBackend final : public Backend {
public:
    GraphicsObject* createGraphicsObject(std::uint32_t sdkVersion) override {
        if (sdkVersion != kSdkVersion) return nullptr;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "gfx: no video subsystem: %s\n", SDL_GetError());
            return nullptr;
        }
        return new GlGraphicsObject;
    }

    Result createEffectFromFile(Device* device, const char* path, const void*, void*, std::uint32_t, void*,
                                Effect** effect, Buffer** errors) override {
        if (errors) *errors = nullptr;
        if (effect) *effect = nullptr;
        auto fail = [&](std::string text) {
            if (errors) *errors = new GlBuffer(std::move(text));
            return kFail;
        };
        auto* gl = dynamic_cast<GlDevice*>(device);
        if (!gl || !effect) return fail("no OpenGL device to compile the effect on");
        EffectReadResult read = readEffectFile(path);
        if (!read.ok) return fail(read.error);
        auto* fx = new GlEffect(gl, std::move(read.effect));
        std::string error;
        if (!fx->build(path, error)) {
            fx->release();
            return fail(error);
        }
        *effect = fx;
        return kOk;
    }

    Result createTextureFromFile(Device* device, const char* path, Texture** texture) override {
        if (texture) *texture = nullptr;
        auto* gl = dynamic_cast<GlDevice*>(device);
        if (!gl || !texture || !path) return kFail;
        FileBytes file = readFileBytes(path, kMaxTextureFileSize);
        DecodedTexture decoded;
        if (file.ok) decoded = decodeTexture(file.bytes);
        if (!file.ok || !decoded.ok) {
            std::fprintf(stderr, "gfx: cannot load texture \"%s\": %s\n", path, file.ok ? decoded.error.c_str() : file.error.c_str());
            return kFail;
        }
        completeMipChain(decoded.levels);
        GLuint id = 0;
        glGenTextures(1, &id);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, id);
        for (std::size_t level = 0; level < decoded.levels.size(); ++level) {
            const Image& img = decoded.levels[level];
            glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGBA8, GLsizei(img.width), GLsizei(img.height), 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, img.rgba.data());
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(decoded.levels.size() - 1));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        *texture = new GlTexture(gl, id);
        return kOk;
    }
};

}  // namespace

// The library with this backend serves OpenGL unless a test installs another backend.
Backend* defaultBackend() {
    static GlBackend backend;
    return &backend;
}

bool prepareWindowSystem() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    setContextAttributes();
    return true;
}

bool readBackBuffer(Device* device, std::vector<std::uint8_t>& rgba, unsigned& width, unsigned& height) {
    auto* gl = dynamic_cast<GlDevice*>(device);
    return gl && gl->readBack(rgba, width, height);
}

}  // namespace gfx
