// Key scripts for headless runs: lines "<from> <to> <KEY> [<KEY> ...]" hold each KEY down in
// every frame from..to (0-based, inclusive). Blank lines and lines starting with '#' are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct KeyRule {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::vector<int> virtualKeys;
};

struct KeyScript {
    std::vector<KeyRule> rules;

    // Parses script text. On a bad line returns false and sets error to a one-line message
    // naming the line number.
    bool parse(const std::string& text, std::string& error);
    // Marks in down (indexed by virtual-key code) every key held in the given frame; clears the rest.
    void keysDown(std::uint64_t frame, bool (&down)[256]) const;
};

// Virtual-key code of a script key name (S A SPACE Z 1 2 3 4 5), or -1.
int scriptKeyCode(const std::string& name);
