#include "gfx/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gfx {

FileBytes readFileBytes(const char* path, std::size_t maxSize) {
    FileBytes out;
    if (!path || !*path) {
        out.error = "no file name";
        return out;
    }
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        out.error = std::strerror(errno);
        return out;
    }
    std::uint8_t chunk[65536];
    for (;;) {
        std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        if (n > 0) {
            if (out.bytes.size() + n > maxSize) {
                std::fclose(f);
                out.bytes.clear();
                out.error = "larger than " + std::to_string(maxSize) + " bytes";
                return out;
            }
            out.bytes.insert(out.bytes.end(), chunk, chunk + n);
        }
        if (n < sizeof chunk) break;
    }
    const bool readError = std::ferror(f) != 0;
    const int savedErrno = errno;
    std::fclose(f);
    if (readError) {
        out.bytes.clear();
        out.error = std::strerror(savedErrno);
        return out;
    }
    out.ok = true;
    return out;
}

}  // namespace gfx
