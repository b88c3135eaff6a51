// Fuzz target: the effect file reader on arbitrary text, then the stage text of every source
// block it read, as the backend builds it for the shader compiler.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "gfx/EffectFile.h"

namespace {

bool identifier(const std::string& s) {
    if (s.empty() || s.size() > 63) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const gfx::EffectReadResult read = gfx::parseEffect(text, "fuzz.fx");
    if (!read.ok) {
        require(read.error.rfind("fuzz.fx:", 0) == 0, "an error starts with the file name and line");
        return 0;
    }
    require(read.error.empty(), "a success carries no error");
    const gfx::EffectDescription& fx = read.effect;
    require(!fx.techniques.empty(), "a read effect has a technique");
    for (const auto& p : fx.parameters) {
        require(identifier(p.name), "parameter names are identifiers");
        require(fx.findParameter(p.name) == &p, "parameter names are unique");
    }
    for (const auto& t : fx.techniques) {
        require(identifier(t.name), "technique names are identifiers");
        require(fx.findTechnique(t.name) == &t, "technique names are unique");
        require(!t.passes.empty() && t.passes.size() <= gfx::kMaxPasses, "one to kMaxPasses passes");
        for (const auto& pass : t.passes)
            require(fx.findSource(pass.vertexSource) && fx.findSource(pass.fragmentSource), "passes name read sources");
    }
    for (const auto& s : fx.sources) {
        require(identifier(s.name), "source names are identifiers");
        require(fx.findSource(s.name) == &s, "source names are unique");
        require(s.firstLine >= 2, "a source block starts after the header line");
        const std::string stage = gfx::stageText(fx, s);
        require(stage.rfind("#version 330 core\n", 0) == 0, "the stage text starts with the version line");
        require(stage.size() >= s.text.size() && stage.compare(stage.size() - s.text.size(), s.text.size(), s.text) == 0,
                "the stage text ends with the source block");
    }
    return 0;
}
