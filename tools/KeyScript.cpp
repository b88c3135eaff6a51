#include "tools/KeyScript.h"

#include <charconv>
#include <sstream>

#include "fluid/KeyState.h"

int scriptKeyCode(const std::string& name) {
    static const struct {
        const char* name;
        int code;
    } kKeys[] = {{"S", vk::kS}, {"A", vk::kA}, {"SPACE", vk::kSpace}, {"Z", vk::kZ}, {"1", vk::k1},
                 {"2", vk::k2}, {"3", vk::k3}, {"4", vk::k4},         {"5", vk::k5}};
    for (const auto& key : kKeys) {
        if (name == key.name) return key.code;
    }
    return -1;
}

namespace {
bool parseFrame(const std::string& word, std::uint64_t& value) {
    if (word.empty() || word.size() > 19) return false;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size();
}
}  // namespace

bool KeyScript::parse(const std::string& text, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    for (std::size_t number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        const std::string where = "key script line " + std::to_string(number) + ": ";
        KeyRule rule;
        std::string second;
        if (!parseFrame(first, rule.from) || !(words >> second) || !parseFrame(second, rule.to)) {
            error = where + "expected \"<from> <to> <KEY> [<KEY> ...]\" with frame numbers";
            return false;
        }
        if (rule.from > rule.to) {
            error = where + "first frame " + first + " is after last frame " + second;
            return false;
        }
        for (std::string key; words >> key;) {
            const int code = scriptKeyCode(key);
            if (code < 0) {
                error = where + "unknown key \"" + key + "\" (keys: S A SPACE Z 1 2 3 4 5)";
                return false;
            }
            rule.virtualKeys.push_back(code);
        }
        if (rule.virtualKeys.empty()) {
            error = where + "no key named";
            return false;
        }
        rules.push_back(std::move(rule));
    }
    return true;
}

void KeyScript::keysDown(std::uint64_t frame, bool (&down)[256]) const {
    for (bool& d : down) d = false;
    for (const KeyRule& rule : rules) {
        if (frame < rule.from || frame > rule.to) continue;
        for (int code : rule.virtualKeys) down[code] = true;
    }
}
