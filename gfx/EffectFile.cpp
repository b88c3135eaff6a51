// Effect file reader; the format is described in EffectFile.h.
#include "gfx/EffectFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "gfx/FileBytes.h"

namespace gfx {

namespace {

bool isIdentifier(std::string_view s) {
    if (s.empty() || s.size() > 63) return false;
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!alpha(s[0])) return false;
    for (char c : s)
        if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

bool parseIndex(std::string_view s, unsigned* out) {
    if (s.empty() || s.size() > 3) return false;
    unsigned v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    *out = v;
    return true;
}

}  // namespace

const EffectSource* EffectDescription::findSource(std::string_view name) const {
    for (const auto& s : sources)
        if (s.name == name) return &s;
    return nullptr;
}

const EffectTechnique* EffectDescription::findTechnique(std::string_view name) const {
    for (const auto& t : techniques)
        if (t.name == name) return &t;
    return nullptr;
}

const EffectParameter* EffectDescription::findParameter(std::string_view name) const {
    for (const auto& p : parameters)
        if (p.name == name) return &p;
    return nullptr;
}

EffectReadResult parseEffect(std::string_view text, std::string_view fileName) {
    EffectReadResult result;
    EffectDescription& fx = result.effect;
    unsigned lineNo = 0;
    auto fail = [&](const std::string& what) {
        result.ok = false;
        result.error = std::string(fileName) + ":" + std::to_string(lineNo) + ": " + what;
        return result;
    };
    if (text.size() > kMaxEffectFileSize) return fail("file larger than 1 MiB");
    if (text.find('\0') != std::string_view::npos) return fail("file holds a NUL byte");

    // Names seen so far, one set per kind, viewing the text itself. A file of up to 1 MiB holds
    // tens of thousands of names; looking each one up in the lists read so far would take
    // seconds, quadratic in the file's length.
    std::unordered_set<std::string_view> parameterNames, sourceNames, techniqueNames;
    EffectSource* openSource = nullptr;
    EffectTechnique* technique = nullptr;
    std::size_t pos = 0;
    bool sawHeader = false;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        std::string_view line = text.substr(pos, eol == std::string_view::npos ? text.size() - pos : eol - pos);
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNo;

        const auto w = words(line);
        if (openSource) {
            if (w.size() == 1 && w[0] == "end") {
                openSource = nullptr;
            } else {
                openSource->text.append(line);
                openSource->text.push_back('\n');
            }
            continue;
        }
        if (!sawHeader) {
            if (w.size() != 2 || w[0] != "gfx-effect") return fail("not an effect file (expected \"gfx-effect 1\")");
            if (w[1] != "1") return fail("unsupported effect format version " + std::string(w[1]));
            sawHeader = true;
            continue;
        }
        if (w.empty() || w[0][0] == '#') continue;

        if (w[0] == "parameter") {
            if (w.size() != 3) return fail("expected: parameter <type> <name>");
            ParameterType type;
            if (w[1] == "float4x4") type = ParameterType::kFloat4x4;
            else if (w[1] == "float4") type = ParameterType::kFloat4;
            else if (w[1] == "texture") type = ParameterType::kTexture;
            else return fail("unknown parameter type \"" + std::string(w[1]) + "\"");
            if (!isIdentifier(w[2])) return fail("bad parameter name");
            if (!parameterNames.insert(w[2]).second || w[2].starts_with("gfx")) return fail("parameter \"" + std::string(w[2]) + "\" declared twice or reserved");
            fx.parameters.push_back({std::string(w[2]), type});
        } else if (w[0] == "source") {
            if (w.size() != 2 || !isIdentifier(w[1])) return fail("expected: source <name>");
            if (!sourceNames.insert(w[1]).second) return fail("source \"" + std::string(w[1]) + "\" declared twice");
            fx.sources.push_back({std::string(w[1]), lineNo + 1, {}});
            openSource = &fx.sources.back();
        } else if (w[0] == "technique") {
            if (w.size() != 2 || !isIdentifier(w[1])) return fail("expected: technique <name>");
            if (!techniqueNames.insert(w[1]).second) return fail("technique \"" + std::string(w[1]) + "\" declared twice");
            fx.techniques.push_back({std::string(w[1]), {}});
            technique = &fx.techniques.back();
        } else if (w[0] == "pass") {
            if (!technique) return fail("pass outside a technique");
            unsigned index = 0;
            if (w.size() != 4 || !parseIndex(w[1], &index)) return fail("expected: pass <index> <vertex source> <fragment source>");
            if (index != technique->passes.size()) return fail("pass " + std::string(w[1]) + " out of order (expected " + std::to_string(technique->passes.size()) + ")");
            if (index >= kMaxPasses) return fail("too many passes");
            technique->passes.push_back({std::string(w[2]), std::string(w[3])});
        } else {
            return fail("unknown directive \"" + std::string(w[0]) + "\"");
        }
    }
    if (!sawHeader) return fail("empty file (expected \"gfx-effect 1\")");
    if (openSource) return fail("source \"" + openSource->name + "\" has no \"end\"");
    if (fx.techniques.empty()) return fail("no technique");
    for (const auto& t : fx.techniques) {
        if (t.passes.empty()) return fail("technique \"" + t.name + "\" has no pass");
        for (const auto& p : t.passes)
            for (const auto* name : {&p.vertexSource, &p.fragmentSource})
                if (!sourceNames.contains(*name)) return fail("technique \"" + t.name + "\" names missing source \"" + *name + "\"");
    }
    result.ok = true;
    return result;
}

EffectReadResult readEffectFile(const char* path) {
    EffectReadResult result;
    const std::string shown = path ? path : "(null)";
    FileBytes file = readFileBytes(path, kMaxEffectFileSize);
    if (!file.ok) {
        result.error = "cannot read effect file \"" + shown + "\": " + file.error;
        return result;
    }
    return parseEffect(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()), shown);
}

std::string stageText(const EffectDescription& effect, const EffectSource& source) {
    std::string out = "#version 330 core\n";
    for (const auto& p : effect.parameters) {
        const char* type = p.type == ParameterType::kFloat4x4 ? "mat4" : p.type == ParameterType::kFloat4 ? "vec4" : "sampler2D";
        out += "uniform ";
        out += type;
        out += ' ';
        out += p.name;
        out += ";\n";
    }
    out += "uniform int gfxPointSprite;\nuniform vec2 gfxViewportSize;\n";
    out += "#line " + std::to_string(source.firstLine) + "\n";
    out += source.text;
    return out;
}

}  // namespace gfx
