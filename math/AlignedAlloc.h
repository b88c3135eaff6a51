// 16-byte aligned allocation for every heap object and array of the simulation, and its matching
// release. The counter lets tests prove that a frame allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

// Returns null when the memory cannot be had. Sizes are rounded up to a multiple of 16.
void* alignedAlloc(std::size_t size);
void alignedFree(void* p);

// Number of successful alignedAlloc calls since program start.
std::uint64_t alignedAllocCount();

// Base for classes that must live on 16-byte boundaries and be released through the matching
// aligned release, also when deleted through a base pointer.
struct AlignedNew {
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p) noexcept { alignedFree(p); }
};
