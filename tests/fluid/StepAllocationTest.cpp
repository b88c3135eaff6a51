// Steps, including steps that restart the block, allocate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "math/AlignedAlloc.h"
#include "FluidTestSupport.h"

namespace {
std::atomic<std::uint64_t> globalNewCalls{0};
}

// The replacement pairs malloc with free on purpose; the warning about mismatched pairs is moot.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++globalNewCalls;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using testing_support::runFrames;
using testing_support::ScriptedKeys;

TEST(StepAllocation, StepsAndRestartsAllocateNothing) {
    ScriptedKeys keys;
    blockSide = 11;
    ASSERT_TRUE(fluid.init());
    const std::uint64_t newBefore = globalNewCalls;
    const std::uint64_t alignedBefore = alignedAllocCount();

    ScriptedKeys::hold({vk::kS, vk::kSpace});
    runFrames(20);
    ScriptedKeys::clear();
    ScriptedKeys::hold({vk::k3});
    runFrames(2);
    ScriptedKeys::clear();
    ScriptedKeys::hold({vk::kZ});
    runFrames(2);
    ScriptedKeys::clear();
    runFrames(30);

    EXPECT_EQ(globalNewCalls - newBefore, 0u);
    EXPECT_EQ(alignedAllocCount() - alignedBefore, 0u);
}
