#include <gtest/gtest.h>

#include "recorder/Geometry.h"

using recorder::FlashGeometry;

namespace {

TEST(Geometry, FollowsTheDeviceCode) {
  struct Case {
    uint16_t id;
    uint32_t blocks, lastSystemPage, mapPages, capacityMB;
  };
  for (Case c : {Case{0xECDA, 2048, 10, 2, 256}, Case{0xECF1, 1024, 9, 1, 128}, Case{0x00DA, 2048, 10, 2, 256},
                 Case{0x98F1, 1024, 9, 1, 128}}) {
    FlashGeometry g;
    ASSERT_TRUE(g.setFromFlashId(c.id)) << std::hex << c.id;
    EXPECT_EQ(g.flashId, c.id);
    EXPECT_EQ(g.pagesPerBlock, 64u);
    EXPECT_EQ(g.pageDataSize, 2048u);
    EXPECT_EQ(g.spareSize, 64u);
    EXPECT_EQ(g.blockCount, c.blocks);
    EXPECT_EQ(g.lastSystemPage, c.lastSystemPage);
    EXPECT_EQ(g.blockDataSize, 131072u);
    EXPECT_EQ(g.rawBlockSize, 135168u);
    EXPECT_EQ(g.blockMapPages(), c.mapPages);
    EXPECT_EQ(g.capacityMB(), c.capacityMB);
  }
}

TEST(Geometry, UnknownCodeLeavesTheGeometryAsItWas) {
  FlashGeometry g;
  for (uint16_t id : {0x0000, 0xEC00, 0xEC12, 0xDA00, 0xF1EC}) {
    EXPECT_FALSE(g.setFromFlashId(id)) << std::hex << id;
    EXPECT_FALSE(g.known());
    EXPECT_EQ(g.capacityMB(), 0u);
  }
  ASSERT_TRUE(g.setFromFlashId(0xECF1));
  EXPECT_FALSE(g.setFromFlashId(0xEC12));
  EXPECT_EQ(g.flashId, 0xECF1);
  EXPECT_EQ(g.blockCount, 1024u);
  EXPECT_EQ(g.capacityMB(), 128u);
}

}  // namespace
