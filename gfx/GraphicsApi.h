// The graphics operations the scene relies on, as a thin layer of our own: a graphics object
// that reports capabilities and creates the device, the device with its render states and draws
// from client memory, the effect with named parameters and passes, textures loaded from files,
// and the matrix helpers. Numeric values of states, flags and formats are the classic ones the
// scene's tables use, so recorded calls read like those tables.
//
// Two backends implement it: OpenGL 3.3 core through SDL2 (the programs) and a recording
// backend for unit tests. Objects are released with release(), which frees them; callers null
// their pointer afterwards.
#pragma once

#include <cstdint>

namespace gfx {

// Result of an operation: 0 is success, anything else a failure.
using Result = long;
inline constexpr Result kOk = 0;
inline constexpr Result kFail = static_cast<Result>(0x80004005L);

// The window a device presents to (an SDL_Window* in the OpenGL backend).
using WindowHandle = void*;

enum RenderState : std::uint32_t {
    kZEnable = 7,
    kZWriteEnable = 14,
    kSrcBlend = 19,
    kDestBlend = 20,
    kCullMode = 22,
    kAlphaBlendEnable = 27,
    kLighting = 137,
    kPointSpriteEnable = 156,
    kBlendOp = 171,
    kAntialiasedLineEnable = 176,
};

// Values of render states.
inline constexpr std::uint32_t kCullNone = 1;
inline constexpr std::uint32_t kZbTrue = 1;
inline constexpr std::uint32_t kBlendOpAdd = 1;
inline constexpr std::uint32_t kBlendSrcAlpha = 5;
inline constexpr std::uint32_t kBlendInvSrcAlpha = 6;

enum PrimitiveType : std::uint32_t { kPointList = 1, kLineList = 2, kTriangleStrip = 5 };
enum IndexFormat : std::uint32_t { kIndex16 = 101 };
enum DeviceType : std::uint32_t { kDeviceHal = 1 };

// Clear flags.
inline constexpr std::uint32_t kClearTarget = 1;
inline constexpr std::uint32_t kClearZBuffer = 2;

// Formats, behaviour flags and present parameters.
inline constexpr std::uint32_t kFormatA8R8G8B8 = 21;
inline constexpr std::uint32_t kFormatD16 = 80;
inline constexpr std::uint32_t kSwapEffectDiscard = 1;
inline constexpr std::uint32_t kPresentIntervalOne = 1;
inline constexpr std::uint32_t kCreateHardwareVertexProcessing = 0x40;
inline constexpr std::uint32_t kSdkVersion = 32;
// Effect flags.
inline constexpr std::uint32_t kShaderSkipValidation = 2;
inline constexpr std::uint32_t kEffectDoNotSaveState = 1;

// Vertex shader version word: 0xFFFE0000 | major << 8 | minor.
constexpr std::uint32_t vertexShaderVersion(std::uint32_t major, std::uint32_t minor) {
    return 0xFFFE0000u | (major << 8) | minor;
}

struct Caps {
    std::uint32_t vertexShaderVersion = 0;
};

struct AdapterIdentifier {
    char description[512] = {};
};

struct PresentParameters {
    std::uint32_t backBufferWidth = 0;
    std::uint32_t backBufferHeight = 0;
    std::uint32_t backBufferFormat = 0;
    std::uint32_t backBufferCount = 0;
    std::uint32_t multiSampleType = 0;
    std::uint32_t multiSampleQuality = 0;
    std::uint32_t swapEffect = 0;
    WindowHandle deviceWindow = nullptr;
    std::int32_t windowed = 0;
    std::int32_t enableAutoDepthStencil = 0;
    std::uint32_t autoDepthStencilFormat = 0;
    std::uint32_t flags = 0;
    std::uint32_t fullScreenRefreshRateInHz = 0;
    std::uint32_t presentationInterval = 0;
};

// One element of a vertex declaration; a list ends with kDeclEnd.
struct VertexElement {
    std::uint16_t stream;
    std::uint16_t offset;
    std::uint8_t type;
    std::uint8_t method;
    std::uint8_t usage;
    std::uint8_t usageIndex;
};
inline constexpr std::uint8_t kDeclTypeFloat4 = 3;
inline constexpr std::uint8_t kDeclTypeColor = 4;
inline constexpr std::uint8_t kDeclTypeUnused = 17;
inline constexpr std::uint8_t kDeclMethodDefault = 0;
inline constexpr std::uint8_t kDeclUsagePosition = 0;
inline constexpr std::uint8_t kDeclUsageColor = 10;
inline constexpr VertexElement kDeclEnd{0xFF, 0, kDeclTypeUnused, 0, 0, 0};

// 4 x 4 matrix in the row-vector convention: a point is a row vector multiplied on the left, and
// the product A * B applies A first. m[row][column]; the translation is in row 3.
struct Matrix {
    float m[4][4];
};
struct Vector3 {
    float x, y, z;
};
struct Vector4 {
    float x, y, z, w;
};

class Texture {
public:
    virtual void release() = 0;

protected:
    virtual ~Texture() = default;
};

class VertexDeclaration {
public:
    virtual void release() = 0;

protected:
    virtual ~VertexDeclaration() = default;
};

// Zero-terminated text returned by the effect compiler.
class Buffer {
public:
    virtual const char* getBufferPointer() = 0;
    virtual void release() = 0;

protected:
    virtual ~Buffer() = default;
};

// Names a parameter or technique; null where no parent is meant.
using Handle = const void*;

class Effect {
public:
    virtual Handle getParameterByName(Handle parent, const char* name) = 0;
    virtual Result setMatrix(Handle parameter, const Matrix* value) = 0;
    virtual Result setVector(Handle parameter, const Vector4* value) = 0;
    virtual Result setTexture(Handle parameter, Texture* texture) = 0;
    // The technique by name.
    virtual Result setTechnique(const char* technique) = 0;
    virtual Result begin(unsigned* passCount, std::uint32_t flags) = 0;
    virtual Result beginPass(unsigned pass) = 0;
    virtual Result commitChanges() = 0;
    virtual Result endPass() = 0;
    virtual Result end() = 0;
    virtual void release() = 0;

protected:
    virtual ~Effect() = default;
};

class Device {
public:
    virtual Result setRenderState(RenderState state, std::uint32_t value) = 0;
    virtual Result beginScene() = 0;
    virtual Result endScene() = 0;
    virtual Result clear(std::uint32_t rectCount, const void* rects, std::uint32_t flags,
                         std::uint32_t color, float z, std::uint32_t stencil) = 0;
    virtual Result createVertexDeclaration(const VertexElement* elements,
                                           VertexDeclaration** declaration) = 0;
    virtual Result setVertexDeclaration(VertexDeclaration* declaration) = 0;
    virtual Result drawPrimitiveUP(PrimitiveType type, unsigned primitiveCount,
                                   const void* vertices, unsigned stride) = 0;
    virtual Result drawIndexedPrimitiveUP(PrimitiveType type, unsigned minVertexIndex,
                                          unsigned vertexCount, unsigned primitiveCount,
                                          const void* indices, IndexFormat indexFormat,
                                          const void* vertices, unsigned stride) = 0;
    // Shows the back buffer; all four arguments null for the whole buffer and window.
    virtual Result present(const void* sourceRect, const void* destRect, WindowHandle window,
                           const void* dirtyRegion) = 0;
    virtual void release() = 0;

protected:
    virtual ~Device() = default;
};

class GraphicsObject {
public:
    virtual Result getDeviceCaps(unsigned adapter, DeviceType type, Caps* caps) = 0;
    virtual Result getAdapterIdentifier(unsigned adapter, std::uint32_t flags,
                                        AdapterIdentifier* identifier) = 0;
    virtual Result createDevice(unsigned adapter, DeviceType type, WindowHandle focusWindow,
                                std::uint32_t behaviorFlags, PresentParameters* parameters,
                                Device** device) = 0;
    virtual void release() = 0;

protected:
    virtual ~GraphicsObject() = default;
};

// What serves the three entry points below. The library a program links decides the default:
// fluid_gfx serves OpenGL, fluid_gfx_recording serves nothing until a test installs its
// recording backend. Every other operation is a virtual of the objects these create.
class Backend {
public:
    virtual GraphicsObject* createGraphicsObject(std::uint32_t sdkVersion) = 0;
    virtual Result createEffectFromFile(Device* device, const char* path, const void* defines,
                                        void* include, std::uint32_t flags, void* pool,
                                        Effect** effect, Buffer** errors) = 0;
    virtual Result createTextureFromFile(Device* device, const char* path, Texture** texture) = 0;

protected:
    ~Backend() = default;
};

// Makes backend serve the entry points from now on; null goes back to the default. Returns the
// one that served before. Not thread-safe; meant for start-up and tests.
Backend* installBackend(Backend* backend);

// Entry points, served by the installed backend (OpenGL unless a test installs another).
// Null when no graphics object can be had.
GraphicsObject* createGraphicsObject(std::uint32_t sdkVersion);
// Loads and compiles an effect file. On failure *errors, when it can be had, holds the text.
Result createEffectFromFile(Device* device, const char* path, const void* defines,
                            void* include, std::uint32_t flags, void* pool, Effect** effect,
                            Buffer** errors);
// Loads a texture (DDS, BMP, PNG, TGA, JPEG) with a full chain of mipmaps.
Result createTextureFromFile(Device* device, const char* path, Texture** texture);

// Matrix helpers, row-vector convention, right-handed view and projection (depth 0 to 1).
Matrix* matrixRotationX(Matrix* out, float angle);
Matrix* matrixRotationY(Matrix* out, float angle);
Matrix* matrixTranslation(Matrix* out, float x, float y, float z);
Matrix* matrixLookAtRH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up);
Matrix* matrixPerspectiveFovRH(Matrix* out, float fovY, float aspect, float zNear, float zFar);
// out = a * b (a applied first).
Matrix* matrixMultiply(Matrix* out, const Matrix* a, const Matrix* b);
// Directions through the upper 3 x 3 of m, no translation, no normalisation.
Vector3* vec3TransformNormalArray(Vector3* out, unsigned outStride, const Vector3* in,
                                  unsigned inStride, const Matrix* m, unsigned count);

}  // namespace gfx
