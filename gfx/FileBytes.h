// Whole-file reading with a size limit, for the effect and texture readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gfx {

struct FileBytes {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
    std::string error;  // the system's reason, or "larger than N bytes"
};

// Reads all of path. A file larger than maxSize is an error, not truncated.
FileBytes readFileBytes(const char* path, std::size_t maxSize);

}  // namespace gfx
