// Derived parameters and the first block laid out by init.
#include <gtest/gtest.h>

#include "fluid/Fluid.h"

TEST(FluidInit, DerivesParametersFromDefaults) {
    ASSERT_TRUE(fluid.init());
    EXPECT_NEAR(fluid.params.totalVolume, 0.1855373f, 1e-6f);
    EXPECT_NEAR(supportRadius, 0.041552f, 1e-6f);
    EXPECT_NEAR(fluid.params.densityPerKernelParticle, 66.55267f, 1e-4f);
    EXPECT_EQ(fluid.params.maxParticles, 9261);
}
