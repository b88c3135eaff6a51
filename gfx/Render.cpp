// Start-up of the graphics objects: graphics object, vertex shader check, device with its present
// parameters and fixed render states, and the effect beside the executable. Each failure shows
// its message and leaves what was created for release().
#include "gfx/Render.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include <SDL.h>

#include "app/MessageBox.h"

Render render;

namespace {

// Receives the formatted shader-model message.
char messageBuffer[2048];

const char* const kErrorCaption = "エラー";

// Directory of the running executable with its trailing slash, from /proc/self/exe, else from
// SDL; empty when neither can tell.
std::string executableDirectory() {
    std::string path;
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        path.assign(buffer, static_cast<std::size_t>(n));
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos) return path.substr(0, slash + 1);
    }
    if (char* base = SDL_GetBasePath()) {
        path = base;  // ends with a slash
        SDL_free(base);
        return path;
    }
    return {};
}

}  // namespace

bool Render::init(gfx::WindowHandle window, unsigned width, unsigned height, bool windowed) {
    d3d = gfx::createGraphicsObject(gfx::kSdkVersion);
    if (!d3d) {
        showMessageBox(window, "Direct3Dの初期化に失敗しました.", kErrorCaption);
        return false;
    }

    gfx::Caps caps;
    d3d->getDeviceCaps(0, gfx::kDeviceHal, &caps);
    if (caps.vertexShaderVersion < gfx::vertexShaderVersion(3, 0)) {
        gfx::AdapterIdentifier identifier;
        d3d->getAdapterIdentifier(0, 0, &identifier);
        // The description need not be terminated within its 512 characters.
        const int descriptionLength = static_cast<int>(strnlen(identifier.description, sizeof identifier.description));
        std::snprintf(messageBuffer, sizeof messageBuffer,
                      "ハードウェアが ShaderModel 3.0 に対応していません。\n%.*sは ShaderModel %d.%d までの対応です。",
                      descriptionLength, identifier.description,
                      static_cast<int>((caps.vertexShaderVersion >> 8) & 0xFF),
                      static_cast<int>(caps.vertexShaderVersion & 0xFF));
        showMessageBox(window, messageBuffer, kErrorCaption);
        return false;
    }

    gfx::PresentParameters parameters;
    parameters.backBufferWidth = width;
    parameters.backBufferHeight = height;
    parameters.backBufferFormat = gfx::kFormatA8R8G8B8;
    parameters.backBufferCount = 2;
    parameters.multiSampleType = 0;
    parameters.multiSampleQuality = 0;
    parameters.swapEffect = gfx::kSwapEffectDiscard;
    parameters.deviceWindow = nullptr;
    parameters.windowed = windowed ? 1 : 0;
    parameters.enableAutoDepthStencil = 1;
    parameters.autoDepthStencilFormat = gfx::kFormatD16;
    parameters.flags = 0;
    parameters.fullScreenRefreshRateInHz = 0;
    parameters.presentationInterval = gfx::kPresentIntervalOne;

    // One retry with exactly the same arguments.
    if (d3d->createDevice(0, gfx::kDeviceHal, window, gfx::kCreateHardwareVertexProcessing, &parameters, &device) != gfx::kOk) {
        device = nullptr;
        if (d3d->createDevice(0, gfx::kDeviceHal, window, gfx::kCreateHardwareVertexProcessing, &parameters, &device) != gfx::kOk) {
            device = nullptr;
            showMessageBox(window, "Direct3Dデバイスを初期化できませんでした.", kErrorCaption);
            return false;
        }
    }

    device->setRenderState(gfx::kCullMode, gfx::kCullNone);
    device->setRenderState(gfx::kLighting, 0);
    device->setRenderState(gfx::kZEnable, gfx::kZbTrue);

    const std::string path = executableDirectory() + "shader.bin";
    gfx::Buffer* errors = nullptr;
    if (gfx::createEffectFromFile(device, path.c_str(), nullptr, nullptr, gfx::kShaderSkipValidation, nullptr, &effect, &errors) == gfx::kOk)
        return true;
    effect = nullptr;
    if (errors) {
        showMessageBox(window, errors->getBufferPointer(), "シェーダーコンパイルエラー");
        errors->release();
    } else {
        const std::string text = "エフェクトファイルを読み込めませんでした: " + path;
        showMessageBox(window, text.c_str(), "シェーダーコンパイルエラー");
    }
    return false;
}

void Render::release() {
    if (effect) {
        effect->release();
        effect = nullptr;
    }
    if (device) {
        device->release();
        device = nullptr;
    }
    if (d3d) {
        d3d->release();
        d3d = nullptr;
    }
}
