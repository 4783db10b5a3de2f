// Procedural noise: the generator against the published splitmix64 sequence, value noise
// meeting its lattice, and wrapping at the unit square's edges for both noises.
#include "sample-world/procedural_noise.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillfen::sample {
namespace {

TEST(SplitMix64Test, MatchesTheReferenceSequence) {
  // The first outputs of the reference splitmix64 from state 0.
  SplitMix64 generator(0);
  EXPECT_EQ(generator.next(), 0xE220A8397B1DCDAFull);
  EXPECT_EQ(generator.next(), 0x6E789E6AA1B965F4ull);
  EXPECT_EQ(generator.next(), 0x06C45D188009454Full);
}

TEST(SplitMix64Test, UnitValuesStayBelowOne) {
  SplitMix64 generator(42);
  for (int i = 0; i < 10000; ++i) {
    const double u = generator.next_unit();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
}

TEST(ValueNoiseTest, PassesThroughTheLatticeValues) {
  // At a lattice point the smooth interpolation weighs that point alone.
  for (std::uint32_t x = 0; x < 8; ++x) {
    for (std::uint32_t y = 0; y < 4; ++y) {
      EXPECT_DOUBLE_EQ(value_noise(7, x / 8.0, y / 4.0, 8, 4), hash_unit(7, x, y)) << x << "," << y;
    }
  }
}

TEST(ValueNoiseTest, WrapsAtTheEdgesOfTheUnitSquare) {
  struct Case {
    double u, v;
  };
  const Case cases[] = {{0.13, 0.71}, {0.999, 0.5}, {0.5, 0.001}, {0.0, 0.0}};
  for (const auto& c : cases) {
    const double here = value_noise(3, c.u, c.v, 5, 7);
    EXPECT_NEAR(value_noise(3, c.u + 1.0, c.v, 5, 7), here, 1e-12);
    EXPECT_NEAR(value_noise(3, c.u, c.v - 1.0, 5, 7), here, 1e-12);
    EXPECT_NEAR(fractal_noise(3, c.u - 2.0, c.v + 1.0, 4, 4), fractal_noise(3, c.u, c.v, 4, 4), 1e-12);
  }
}

TEST(ValueNoiseTest, StaysInRangeAndDependsOnTheSeed) {
  int differing = 0;
  for (int i = 0; i < 1000; ++i) {
    const double u = i * 0.0137, v = i * 0.0071;
    const double a = fractal_noise(1, u, v, 4, 5);
    ASSERT_GE(a, 0.0);
    ASSERT_LT(a, 1.0);
    if (a != fractal_noise(2, u, v, 4, 5)) ++differing;
  }
  EXPECT_GT(differing, 990);
}

TEST(LatticePositionTest, WrapsNegativeAndRejectsUnusableCoordinates) {
  struct Case {
    double t;
    std::uint32_t period;
    std::uint32_t cell;
    double fraction;
  };
  const Case cases[] = {
      {0.30, 10, 3, 0.0},  {-0.05, 10, 9, 0.5}, {1.25, 4, 1, 0.0},
      {0.5, 0, 0, 0.5},  // a period of 0 counts as 1
      {std::numeric_limits<double>::quiet_NaN(), 8, 0, 0.0},
      {1e300, 8, 0, 0.0},
  };
  for (const auto& c : cases) {
    const LatticePosition p = lattice_position(c.t, c.period);
    EXPECT_EQ(p.cell, c.cell) << c.t;
    EXPECT_NEAR(p.fraction, c.fraction, 1e-9) << c.t;
  }
}

TEST(CellularTest, FindsTheFeaturePointOfItsCell) {
  for (std::uint32_t cx = 0; cx < 6; ++cx) {
    const FeaturePoint fp = feature_point(11, cx, 2, 6, 0.8);
    const CellSample s = cellular(11, fp.u, fp.v, 6, 0.8);
    EXPECT_NEAR(s.nearest, 0.0, 1e-12);
    EXPECT_EQ(s.cell_x, cx);
    EXPECT_EQ(s.cell_y, 2u);
    EXPECT_GT(s.second, s.nearest);
  }
}

TEST(CellularTest, WrapsAtTheEdgesOfTheUnitSquare) {
  for (const double u : {0.0, 0.01, 0.5, 0.99}) {
    const CellSample here = cellular(5, u, 0.995, 4, 0.9);
    const CellSample wrapped = cellular(5, u + 1.0, -0.005, 4, 0.9);
    EXPECT_NEAR(wrapped.nearest, here.nearest, 1e-12);
    EXPECT_NEAR(wrapped.second, here.second, 1e-12);
    EXPECT_EQ(wrapped.cell_x, here.cell_x);
    EXPECT_EQ(wrapped.cell_y, here.cell_y);
    EXPECT_LE(here.nearest, here.second);
  }
}

}  // namespace
}  // namespace quillfen::sample
