// Writes the simulation's state records: every float as the 8 hex digits of its bit pattern.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class TraceWriter {
public:
    explicit TraceWriter(std::FILE* out) : out_(out) {}
    // Appends the state line and one line per live particle of the global fluid.
    void record(std::uint64_t framesDone);
    // Flushes; false when the output could not be written.
    bool finish();

    // The same record as text, for tests.
    static std::string format(std::uint64_t framesDone);

private:
    std::FILE* out_;
};
