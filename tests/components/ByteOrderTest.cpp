#include <gtest/gtest.h>

#include <array>

#include "components/base/ByteOrder.h"

using namespace components;

namespace {

TEST(ByteOrder, WordsAndTriplesAreBigEndian) {
  EXPECT_EQ(CharToWord(0x12, 0x34), 0x1234);
  EXPECT_EQ(CharToWord(0xFF, 0x00), 0xFF00);
  EXPECT_EQ(CharToWord(0x00, 0xFF), 0x00FF);
  EXPECT_EQ(CharToDWORD(0x01, 0x02, 0x03), 0x010203u);
  EXPECT_EQ(CharToDWORD(0xFF, 0xFF, 0xFF), 0xFFFFFFu);
  EXPECT_EQ(CharToDWORD(0x80, 0x00, 0x01), 0x800001u);
}

TEST(ByteOrder, ByteArrayToDwordReadsTwoOrThreeBytesOnly) {
  const uint8_t bytes[] = {0xAB, 0xCD, 0xEF, 0x12};
  struct Case {
    size_t length;
    uint32_t value;
  };
  for (Case c : {Case{0, 0}, Case{1, 0}, Case{2, 0xABCD}, Case{3, 0xABCDEF}, Case{4, 0}})
    EXPECT_EQ(ByteArrayToDWORD(bytes, c.length), c.value) << c.length;
}

TEST(ByteOrder, DwordToByteArrayWritesTheLowBytesAndNothingElse) {
  struct Case {
    size_t length;
    std::array<uint8_t, 5> expected;
  };
  for (Case c : {Case{2, {0xDE, 0xAD, 0x55, 0x55, 0x55}}, Case{3, {0xBE, 0xDE, 0xAD, 0x55, 0x55}},
                 Case{1, {0x55, 0x55, 0x55, 0x55, 0x55}}, Case{4, {0x55, 0x55, 0x55, 0x55, 0x55}}}) {
    std::array<uint8_t, 5> buffer;
    buffer.fill(0x55);
    DWORDToByteArray(0x12BEDEAD, buffer.data(), c.length);
    EXPECT_EQ(buffer, c.expected) << c.length;
  }
}

TEST(ByteOrder, RoundTrips) {
  for (uint32_t v : {0u, 1u, 0xFFu, 0x100u, 0xFAFEu, 0xFFFFu, 0x10000u, 0xABCDEFu, 0xFFFFFFu}) {
    uint8_t b[3];
    writeU24(b, v);
    EXPECT_EQ(readU24(b), v);
    writeU16(b, v);
    EXPECT_EQ(readU16(b), v & 0xFFFF);
  }
}

}  // namespace
