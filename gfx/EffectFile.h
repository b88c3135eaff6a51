// Reader of effect files: GLSL 330 shader sources grouped into techniques and passes, with the
// parameters the program sets by name. Pure text processing, no graphics calls, so every
// backend and the tests share it.
//
// Format (UTF-8 text, at most kMaxEffectFileSize bytes, lines end in LF or CRLF):
//
//   gfx-effect 1                          first line, always
//   # comment                             outside source blocks: ignored, as are blank lines
//   parameter <type> <name>               type: float4x4 | float4 | texture
//   source <name>                         GLSL lines follow, up to a line holding only "end"
//   ...
//   end
//   technique <name>                      the passes below belong to it
//   pass <index> <vertex source> <fragment source>
//
// Names are identifiers (letter or underscore, then letters, digits, underscores; at most 63
// characters) and unique within their kind. A technique's passes are numbered 0, 1, 2, ... in
// order, without gaps, at most kMaxPasses. Every source a pass names must exist.
//
// A stage's compiled text is "#version 330 core", then one uniform per parameter
// (float4x4 -> mat4, float4 -> vec4, texture -> sampler2D, same name), then the uniforms the
// backend fills itself, then the source block, numbered with the file's own line numbers so that
// compiler messages point into the file:
//   uniform int gfxPointSprite;    1 while the point-sprite render state is on, else 0
//   uniform vec2 gfxViewportSize;  back buffer width and height in pixels
// Vertex inputs come from the vertex declaration: position at location 0, colour 0 at location 1
// (see the backend for the full mapping). Parameter matrices are in the row-vector convention;
// uploaded as they are, GLSL sees their transpose, so "matrix * vec4" transforms a point.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

inline constexpr std::size_t kMaxEffectFileSize = 1u << 20;
inline constexpr unsigned kMaxPasses = 16;

enum class ParameterType { kFloat4x4, kFloat4, kTexture };

struct EffectParameter {
    std::string name;
    ParameterType type;
};

struct EffectSource {
    std::string name;
    unsigned firstLine;  // file line of the block's first line of GLSL
    std::string text;
};

struct EffectPass {
    std::string vertexSource;
    std::string fragmentSource;
};

struct EffectTechnique {
    std::string name;
    std::vector<EffectPass> passes;  // by index
};

struct EffectDescription {
    std::vector<EffectParameter> parameters;
    std::vector<EffectSource> sources;
    std::vector<EffectTechnique> techniques;

    const EffectSource* findSource(std::string_view name) const;
    const EffectTechnique* findTechnique(std::string_view name) const;
    const EffectParameter* findParameter(std::string_view name) const;
};

struct EffectReadResult {
    bool ok = false;
    EffectDescription effect;
    std::string error;  // "<file>:<line>: <what>" when !ok
};

// Parses effect text; fileName only labels the messages.
EffectReadResult parseEffect(std::string_view text, std::string_view fileName);
// Reads and parses the file at path. A missing, unreadable or oversized file is an error that
// names the path.
EffectReadResult readEffectFile(const char* path);

// The complete GLSL text of one source block, as described at the top.
std::string stageText(const EffectDescription& effect, const EffectSource& source);

}  // namespace gfx
