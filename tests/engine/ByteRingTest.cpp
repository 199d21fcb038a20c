#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "ByteRing.h"

using sonavel::ByteRing;

TEST(ByteRing, HoldsUpToItsCapacityAndKeepsOrderAcrossTheWrap) {
  ByteRing ring;
  ring.allocate(10);
  EXPECT_TRUE(ring.empty());
  EXPECT_EQ(ring.free(), 10u);

  std::vector<uint8_t> bytes(10);
  std::iota(bytes.begin(), bytes.end(), 1);
  uint8_t out[10] = {};
  // Walk the indices round the 11 slots several times.
  for (int round = 0; round < 7; ++round) {
    ASSERT_TRUE(ring.write(bytes.data(), 7));
    EXPECT_EQ(ring.filled(), 7u);
    EXPECT_EQ(ring.free(), 3u);
    ASSERT_TRUE(ring.read(out, 7));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 7), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 7));
    EXPECT_TRUE(ring.empty());
  }
  ASSERT_TRUE(ring.write(bytes.data(), 10));  // full
  EXPECT_EQ(ring.filled(), 10u);
  EXPECT_EQ(ring.free(), 0u);
  ASSERT_TRUE(ring.read(out, 10));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 10), bytes);
}

TEST(ByteRing, RefusesWholeWritesAndReadsThatDoNotFit) {
  ByteRing ring;
  ring.allocate(8);
  uint8_t data[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9}, out[9] = {};
  EXPECT_FALSE(ring.write(data, 9));
  EXPECT_EQ(ring.filled(), 0u);
  ASSERT_TRUE(ring.write(data, 5));
  EXPECT_FALSE(ring.write(data, 4));  // 3 free
  EXPECT_EQ(ring.filled(), 5u);
  EXPECT_FALSE(ring.read(out, 6));
  EXPECT_EQ(ring.filled(), 5u);
  ASSERT_TRUE(ring.read(out, 2));
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  ring.clear();
  EXPECT_TRUE(ring.empty());
  EXPECT_EQ(ring.free(), 8u);
}

TEST(ByteRing, UnallocatedRingIsEmptyAndFull) {
  ByteRing ring;
  uint8_t b = 0;
  EXPECT_EQ(ring.filled(), 0u);
  EXPECT_FALSE(ring.write(&b, 1));
  EXPECT_FALSE(ring.read(&b, 1));
}
