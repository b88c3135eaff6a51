// Steps, including steps that restart the block, allocate nothing.
#include <gtest/gtest.h>

#include "math/AlignedAlloc.h"
#include "tools/CountingNew.h"
#include "FluidTestSupport.h"

using testing_support::runFrames;
using testing_support::ScriptedKeys;

TEST(StepAllocation, StepsAndRestartsAllocateNothing) {
    ScriptedKeys keys;
    blockSide = 11;
    ASSERT_TRUE(fluid.init());
    const std::uint64_t newBefore = globalNewCount();
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

    EXPECT_EQ(globalNewCount() - newBefore, 0u);
    EXPECT_EQ(alignedAllocCount() - alignedBefore, 0u);
}
