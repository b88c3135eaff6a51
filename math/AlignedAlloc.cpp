#include "math/AlignedAlloc.h"

#include <cstdlib>
#include <new>

namespace {
std::uint64_t allocationCount = 0;
}

void* alignedAlloc(std::size_t size) {
    if (size == 0) size = 16;
    if (size > SIZE_MAX - 15) return nullptr;
    std::size_t rounded = (size + 15) & ~std::size_t{15};
    void* p = std::aligned_alloc(16, rounded);
    if (p) ++allocationCount;
    return p;
}

void alignedFree(void* p) { std::free(p); }

std::uint64_t alignedAllocCount() { return allocationCount; }

void* AlignedNew::operator new(std::size_t size) {
    void* p = alignedAlloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}

void* AlignedNew::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return alignedAlloc(size);
}
