// Helpers of the scene tests: the recording graphics backend installed for a test, the start-up
// messages captured instead of shown, and the recorded calls in a comparable form.
#pragma once

#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "fluid/FluidTestSupport.h"
#include "gfx/RecordingBackend.h"
#include "gfx/Render.h"

namespace scene_testing {

struct ShownMessage {
    void* owner;
    std::string text;
    bool hasCaption;
};

inline std::vector<ShownMessage>& shownMessages() {
    static std::vector<ShownMessage> messages;
    return messages;
}

inline void recordMessage(void* owner, const char* text, const char* caption) {
    shownMessages().push_back({owner, text ? text : "", caption != nullptr});
}

// The recording backend serves the graphics entry points for the test's lifetime, the keys are
// scripted and the message boxes captured. Render is released at the end.
class RecordedGraphics {
public:
    explicit RecordedGraphics(gfx::RecordingOptions options = {}) : backend(std::move(options)), use(&backend) {
        shownMessages().clear();
        setMessageBoxSink(&recordMessage);
    }
    ~RecordedGraphics() {
        render.release();
        setMessageBoxSink(nullptr);
    }

    gfx::RecordingBackend backend;
    gfx::ScopedBackend use;
    testing_support::ScriptedKeys keys;
};

// A call's text without the values of matrices and vectors, which tests check as data.
inline std::string withoutPayload(const std::string& text) {
    for (const char* prefix : {"effect.setMatrix(", "effect.setVector("}) {
        if (text.rfind(prefix, 0) == 0) {
            const auto comma = text.find(", ");
            if (comma != std::string::npos) return text.substr(0, comma) + ")";
        }
    }
    return text;
}

inline std::vector<std::string> callTexts(const gfx::RecordingBackend& backend) {
    std::vector<std::string> texts;
    for (const gfx::RecordedCall& call : backend.calls()) texts.push_back(withoutPayload(call.text));
    return texts;
}

}  // namespace scene_testing
