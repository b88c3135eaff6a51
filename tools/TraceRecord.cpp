#include "tools/TraceRecord.h"

#include <cstring>

#include "fluid/Fluid.h"
#include "fluid/Obstacle.h"
#include "math/CRandom.h"

namespace {
void appendHex(std::string& s, std::uint32_t bits) {
    static const char kDigits[] = "0123456789abcdef";
    char text[9];
    for (int i = 7; i >= 0; --i, bits >>= 4) text[i] = kDigits[bits & 0xF];
    s.push_back(' ');
    s.append(text, 8);
}

void appendFloat(std::string& s, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendHex(s, bits);
}

void appendInt(std::string& s, std::int64_t value) {
    s.push_back(' ');
    s += std::to_string(value);
}

void appendVec(std::string& s, const Vec4& v) {
    appendFloat(s, v.x);
    appendFloat(s, v.y);
    appendFloat(s, v.z);
}
}  // namespace

std::string TraceWriter::format(std::uint64_t framesDone) {
    std::string s = "state";
    appendInt(s, static_cast<std::int64_t>(framesDone));
    appendInt(s, fluid.particleCount);
    appendInt(s, blockSide);
    appendInt(s, shakeMode);
    appendFloat(s, shakeAmplitude);
    appendFloat(s, containerOffset.x);
    appendInt(s, obstacle.active ? 1 : 0);
    appendInt(s, obstacle.translucent ? 1 : 0);
    appendFloat(s, obstacle.radius);
    appendVec(s, obstacle.center);
    appendHex(s, crtRandState());
    s.push_back('\n');
    for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
        const Particle& p = fluid.particles[i];
        s += "p";
        appendInt(s, i);
        appendVec(s, p.position);
        appendVec(s, p.velocityHalf);
        appendVec(s, p.velocity);
        appendFloat(s, p.density);
        appendFloat(s, p.pressure);
        appendVec(s, p.force);
        s.push_back('\n');
    }
    return s;
}

void TraceWriter::record(std::uint64_t framesDone) {
    const std::string text = format(framesDone);
    std::fwrite(text.data(), 1, text.size(), out_);
}

bool TraceWriter::finish() { return std::fflush(out_) == 0 && !std::ferror(out_); }
