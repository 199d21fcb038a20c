// The checker: clean images pass, each invariant broken on purpose is named,
// and checking never writes.
#include <gtest/gtest.h>

#include "Breakages.h"
#include "TestRecorder.h"
#include "recorder/Chains.h"
#include "recorder/Fsck.h"
#include "recorder/SystemBlock.h"

using namespace recorder;

namespace {

std::string describe(const std::vector<Violation> &found) {
  std::string text;
  for (auto &v : found) text += "  " + v.code + ": " + v.message + "\n";
  return text;
}

TEST(Checker, CleanImagesAreConsistent) {
  for (uint32_t blocks : {1024u, 2048u}) {
    rectest::TestRecorder r(blocks);
    rectest::ImageBuilder(r.volume).format({7, 300});
    auto empty = Fsck(r.io, r.link.geometry).run();
    EXPECT_TRUE(empty.empty()) << describe(empty);
    rectest::buildStandard(r.volume);
    r.flash().resetCounters();
    auto found = Fsck(r.io, r.link.geometry).run();
    EXPECT_TRUE(found.empty()) << describe(found);
    EXPECT_EQ(0u, r.flash().counters().writes + r.flash().counters().erases);
  }
}

TEST(Checker, ARepairedCutWriteIsConsistentOnceEntered) {
  rectest::TestRecorder r;
  auto s = rectest::buildStandard(r.volume);
  // A chain entered as recovery enters it: the block map and the folder page.
  auto file = rectest::ImageBuilder(r.volume).add({3, "CUT", "DVG", 0xAA, false, false, {1, 1, 1}, {1, 1, 1},
                                                   rectest::ImageBuilder::pattern(140000)});
  r.volume.image = SystemImage();
  ASSERT_TRUE(SystemBlock(r.volume).GetFlashHeaderInfo());  // the file is on the flash, not in the index
  auto orphanFree = Fsck(r.io, r.link.geometry).run();
  EXPECT_TRUE(orphanFree.empty()) << "blocks of a write not yet entered are free: " << describe(orphanFree);
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  ASSERT_TRUE(Chains(r.volume).GetEndOfBlockAndFix(file.blocks[0], 0xAA, blocks, pagesInLast));
  auto &image = r.volume.image;
  image.setEntry(3, 0, {static_cast<uint16_t>(blocks[0]), static_cast<uint32_t>((blocks.size() - 1) * 64 + pagesInLast)});
  image.setFileCount(3, 1);
  image.setBlocksUsed(3, static_cast<uint32_t>(blocks.size()));
  for (size_t j = 0; j < blocks.size(); ++j)
    image.setMapEntry(blocks[j], j + 1 < blocks.size() ? static_cast<uint16_t>(blocks[j + 1]) : blockmap::kLast);
  ASSERT_TRUE(SystemBlock(r.volume).WriteSystemImage());
  auto found = Fsck(r.io, r.link.geometry).run();
  EXPECT_TRUE(found.empty()) << describe(found);
}

class CheckerFlags : public ::testing::TestWithParam<rectest::Breakage> {};

TEST_P(CheckerFlags, TheBrokenInvariant) {
  rectest::TestRecorder r;
  auto s = rectest::buildStandard(r.volume);
  GetParam().apply(r.volume, r.flash(), s);
  r.flash().resetCounters();
  auto found = Fsck(r.io, r.link.geometry).run();
  bool named = std::any_of(found.begin(), found.end(), [&](const Violation &v) { return v.code == GetParam().code; });
  EXPECT_TRUE(named) << GetParam().name << " not reported as " << GetParam().code << ":\n" << describe(found);
  EXPECT_EQ(0u, r.flash().counters().writes + r.flash().counters().erases);
}

INSTANTIATE_TEST_SUITE_P(Breakages, CheckerFlags, ::testing::ValuesIn(rectest::breakages()), [](const auto &info) {
  std::string n = info.param.name;
  std::replace(n.begin(), n.end(), '-', '_');
  return n;
});

TEST(Checker, UnreadableChainBlockIsReported) {
  rectest::TestRecorder r;
  auto s = rectest::buildStandard(r.volume);
  r.flash().faults().damagedReads[s.files[1].blocks[1]] = 100;
  auto found = Fsck(r.io, r.link.geometry).run();
  ASSERT_EQ(1u, found.size()) << describe(found);
  EXPECT_EQ(fsckcode::kReadError, found[0].code);
}

}  // namespace
