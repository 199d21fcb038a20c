// Loading the index: the records from the folder pages and header pages, and
// every kind of corrupt index refused without a crash, a hang or a write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "Breakages.h"
#include "ImageBuilder.h"
#include "TestRecorder.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/Index.h"
#include "recorder/SystemBlock.h"

using namespace recorder;
using rectest::ImageBuilder;
using rectest::TestRecorder;

namespace {

struct IndexLoad : ::testing::Test {
  TestRecorder r;
  FlashVolume &v = r.volume;
  rectest::StandardImage s = rectest::buildStandard(v);

  bool reload() {
    v.image = SystemImage();
    v.directory.clear();
    r.flash().resetCounters();
    return Index(v).GetFlashIndex();
  }
};

TEST_F(IndexLoad, FillsEveryFolderFromItsPageAndTheHeaderPages) {
  ASSERT_TRUE(reload());
  EXPECT_TRUE(r.link.indexed);
  EXPECT_EQ(5u, r.flash().counters().reads) << "block 0 and one first block per file";
  EXPECT_EQ(2u, v.directory.fileCount(1));
  EXPECT_EQ(1u, v.directory.fileCount(2));
  EXPECT_EQ(1u, v.directory.fileCount(5));
  for (int f : {3, 4, 6, 7, 8}) EXPECT_EQ(0u, v.directory.fileCount(f));

  const tFLASHFILEINFO &memo = v.directory.records(1)[0];
  EXPECT_EQ(s.files[0].blocks[0], memo.firstBlock);
  EXPECT_EQ("MEMO1", memo.name);
  EXPECT_EQ("DVG", memo.ext);
  EXPECT_EQ('N', memo.flagP);
  EXPECT_EQ('N', memo.flagT);
  EXPECT_EQ((std::array<uint8_t, 3>{24, 3, 15}), memo.date);
  EXPECT_EQ((std::array<uint8_t, 3>{13, 5, 9}), memo.time);
  EXPECT_EQ(3u, memo.pages);
  EXPECT_EQ("SP", memo.mode);
  const tFLASHFILEINFO &b1 = v.directory.records(2)[0];
  EXPECT_EQ('P', b1.flagP);
  EXPECT_EQ('T', b1.flagT);
  EXPECT_EQ("LP", b1.mode);
  EXPECT_EQ("--", v.directory.records(1)[1].mode);
  EXPECT_EQ(100u, v.directory.records(1)[1].pages);
}

TEST(IndexRecord, NameOf128BytesFillsTheFieldWithoutTerminator) {
  rectest::FileSpec spec;
  spec.name = std::string(128, 'n');
  spec.ext = "ABCDEFGHIJKLMNOP";
  spec.mode = 0x12;
  auto page = ImageBuilder::headerPage(spec);
  tFLASHFILEINFO r = tFLASHFILEINFO::fromHeader(page.data(), 9, 1);
  EXPECT_EQ(spec.name, r.name);
  EXPECT_EQ(spec.ext, r.ext);
  EXPECT_EQ("--", r.mode);
  page[fileheader::kName + 5] = 0xFF;
  EXPECT_EQ("nnnnn", tFLASHFILEINFO::fromHeader(page.data(), 9, 1).name);
}

TEST(IndexMap, SecondBlockMapPageOfA2048BlockChip) {
  TestRecorder r(2048);
  ImageBuilder b(r.volume);
  b.format();
  for (uint32_t k = 4; k < 1200; ++k) r.volume.image.setMapEntry(k, blockmap::kReserved);
  auto file = b.add({3, "HIGH", "DVG", 0xBB, false, false, {24, 1, 1}, {1, 1, 1}, ImageBuilder::pattern(200000)});
  b.commit();
  ASSERT_EQ((std::vector<uint32_t>{1200, 1201}), file.blocks);
  r.volume.image = SystemImage();
  ASSERT_TRUE(Index(r.volume).GetFlashIndex());
  std::vector<uint32_t> blocks;
  ASSERT_TRUE(Chains(r.volume).fileBlocks(1200, file.pages, blocks));
  EXPECT_EQ(file.blocks, blocks);
  EXPECT_EQ(blockmap::kLast, r.volume.image.mapEntry(1201));
}

TEST_F(IndexLoad, UnreadableFirstBlockFailsTheRead) {
  r.flash().faults().damagedReads[s.files[2].blocks[0]] = 16;
  EXPECT_FALSE(reload());
  EXPECT_TRUE(r.ui.showed("FM_text_pen_errmsg6"));
  EXPECT_FALSE(r.link.indexed);
  EXPECT_EQ(0u, v.directory.fileCount(1)) << "every list is emptied";
  r.flash().faults().damagedReads[s.files[2].blocks[0]] = 15;
  EXPECT_TRUE(reload());
}

// A corrupt index fails as an unreadable one does: FM_text_pen_errmsg6,
// nothing written, the index indicator off.
class CorruptIndex : public IndexLoad, public ::testing::WithParamInterface<std::string> {};

TEST_P(CorruptIndex, IsRefusedWithoutWriting) {
  rectest::findBreakage(GetParam())->apply(v, r.flash(), s);
  EXPECT_FALSE(reload());
  EXPECT_TRUE(r.ui.showed("FM_text_pen_errmsg6"));
  EXPECT_FALSE(r.link.indexed);
  EXPECT_EQ(0u, r.flash().counters().writes + r.flash().counters().erases);
  EXPECT_LE(r.flash().counters().reads, 1u) << "refused before any file is read";
  for (int f = 1; f <= 8; ++f) EXPECT_EQ(0u, v.directory.fileCount(f));
  EXPECT_FALSE(Index(v).indexFault().unlistable.empty());
  EXPECT_EQ(0, r.disconnects);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CorruptIndex,
                         ::testing::Values("file-count", "entry-first-block", "entry-length", "folder-count"),
                         [](const auto &info) {
                           std::string n = info.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

TEST_F(IndexLoad, BackupNumberOutsideTheChipIsRefused) {
  writeU16(v.image.header() + header::kBackupBlock, 1024);
  std::vector<uint8_t> data(kBlockDataSize), spare(kSpareImageSize);
  SystemBlock::SetFAT0InfoToBuffer(v.image, 1024, data.data());
  SystemBlock::GetCheckSum(data.data(), spare.data());
  ASSERT_EQ(0, BlockIo(v).WriteFlashBlock(0, data.data(), spare.data()));
  EXPECT_FALSE(reload());
  EXPECT_NE(std::string::npos, Index(v).indexFault().unlistable.find("backup block 1024"));
}

// An index whose chains a write could destroy is listed and its first
// blocks read, without a write; the volume then refuses writing.
class UnsafeIndex : public IndexLoad, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnsafeIndex, IsListedWithWritesRefused) {
  rectest::findBreakage(GetParam())->apply(v, r.flash(), s);
  ASSERT_TRUE(reload());
  EXPECT_TRUE(r.link.indexed);
  EXPECT_EQ(2u, v.directory.fileCount(1));
  EXPECT_EQ(0u, r.flash().counters().writes + r.flash().counters().erases);
  EXPECT_FALSE(v.writeRefusal.empty());
  EXPECT_EQ(v.writeRefusal, Index(v).indexFault().unsafe);
  EXPECT_TRUE(Index(v).indexFault().unlistable.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnsafeIndex,
                         ::testing::Values("chain-end", "chain-outside", "chain-through", "cross-linked",
                                           "chain-length", "chain-through-free"),
                         [](const auto &info) {
                           std::string n = info.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

// Counts that merely disagree, as the recorder itself may leave them, do
// not stop writing.
class HarmlessMismatch : public IndexLoad, public ::testing::WithParamInterface<std::string> {};

TEST_P(HarmlessMismatch, LeavesWritingAllowed) {
  rectest::findBreakage(GetParam())->apply(v, r.flash(), s);
  ASSERT_TRUE(reload());
  EXPECT_EQ(v.writeRefusal, "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, HarmlessMismatch,
                         ::testing::Values("blocks-used", "orphan-block", "bad-blocks", "entry-tail", "reserved",
                                           "spare-link", "last-byte-count", "chain-end-linked"),
                         [](const auto &info) {
                           std::string n = info.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

TEST_F(IndexLoad, FolderCountZeroLoadsNoFolder) {
  v.image.header()[header::kFolderCount] = 0;
  SystemBlock(v).WriteSystemImage();
  ASSERT_TRUE(reload());
  EXPECT_EQ(0u, v.directory.fileCount(1));
}

}  // namespace
