#include <gtest/gtest.h>

#include "numerics/complex.h"

TEST(Complex, Placeholder) { EXPECT_EQ(real(Complex(1, 2)), 1.0); }
