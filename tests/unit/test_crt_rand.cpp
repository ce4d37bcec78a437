#include <platform/crt.h>

#include <gtest/gtest.h>

TEST(CrtRand, SeedOneGivesTheRuntimeSequence) {
  crt::srand(1);
  EXPECT_EQ(crt::rand(), 41);
  EXPECT_EQ(crt::rand(), 18467);
  EXPECT_EQ(crt::rand(), 6334);
  EXPECT_EQ(crt::rand(), 26500);
  EXPECT_EQ(crt::rand(), 19169);
}

TEST(CrtRand, ReseedingRepeatsTheSequenceAndStaysInRange) {
  crt::srand(832);
  int first[64];
  for (int& v : first) v = crt::rand();
  crt::srand(832);
  for (int v : first) {
    int again = crt::rand();
    EXPECT_EQ(again, v);
    EXPECT_GE(again, 0);
    EXPECT_LE(again, crt::kRandMax);
  }
}

TEST(CrtRand, SeedZeroDiffersFromSeedOne) {
  crt::srand(0);
  int a = crt::rand();
  crt::srand(1);
  EXPECT_NE(a, crt::rand());
  crt::srand(0);
  EXPECT_EQ(crt::rand(), 38);
}
