// Helpers shared by the simulation tests: a scripted keyboard and tolerances per build.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "fluid/Fluid.h"
#include "fluid/FrameCount.h"
#include "fluid/KeyState.h"
#include "math/Vec4.h"

namespace testing_support {

// Keys currently held; installed as the simulation's key-state query.
class ScriptedKeys {
public:
    ScriptedKeys() {
        clear();
        setKeyStateQuery(&ScriptedKeys::query);
    }
    ~ScriptedKeys() { setKeyStateQuery(nullptr); }
    static void clear() {
        for (bool& d : down()) d = false;
    }
    static void hold(std::initializer_list<int> keys) {
        for (int k : keys) down()[k] = true;
    }
    static void release(std::initializer_list<int> keys) {
        for (int k : keys) down()[k] = false;
    }

private:
    static bool (&down())[256] {
        static bool keys[256];
        return keys;
    }
    static std::int16_t query(int virtualKey) {
        return (virtualKey >= 0 && virtualKey < 256 && down()[virtualKey]) ? 0x80 : 0;
    }
};

// Runs one frame's step as the program does: the step sees frameCount, then it advances.
inline void runFrame() {
    fluid.step();
    ++frameCount;
}

inline void runFrames(int count) {
    for (int i = 0; i < count; ++i) runFrame();
}

// Relative tolerance of a quantity that went through one reciprocal: exact in the scalar build,
// up to 1.5 * 2^-12 in the vector build.
inline constexpr float kReciprocalTolerance = kVectorBuild ? 1.5f / 4096.0f : 1e-6f;

inline bool isFinite(const Vec4& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace testing_support
