// Block chains: spares and their byte counts, block lists from the map, the
// writable-block search, available blocks, retiring bad blocks, and following
// and repairing a chain whose write was cut off.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "Breakages.h"
#include "ImageBuilder.h"
#include "TestRecorder.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"

using namespace recorder;
using rectest::ImageBuilder;
using rectest::TestRecorder;

namespace {

TEST(ChainSpare, LastPageByteCountEncoding) {
  struct {
    uint32_t n, r, q;
  } cases[] = {{1, 1, 0}, {511, 511, 0}, {512, 512, 0}, {513, 1, 1}, {1024, 512, 1}, {2047, 511, 3}, {2048, 512, 3}};
  for (auto c : cases) {
    std::vector<uint8_t> spare(kSpareImageSize), raw(kRawBlockSize, 0x00);
    Chains::buildChainSpare(0, static_cast<int>(c.n), spare.data());
    const uint8_t *p63 = spare.data() + 63 * 64;
    EXPECT_EQ(c.r, readU16(p63)) << c.n;
    EXPECT_EQ(c.q, p63[2]) << c.n;
    EXPECT_EQ(0xFA, spare[0]);
    EXPECT_EQ(0xFE, spare[1]);
    EXPECT_TRUE(std::all_of(spare.begin() + 2, spare.begin() + 63 * 64, [](uint8_t b) { return b == 0xFF; }));
    BlockIo::dataToRaw(std::vector<uint8_t>(kBlockDataSize).data(), spare.data(), raw.data());
    EXPECT_EQ(c.n, BlockIo::lastPageByteCount(raw.data()));
  }
  std::vector<uint8_t> spare(kSpareImageSize);
  Chains::buildChainSpare(0x0345, -1, spare.data());
  EXPECT_EQ(0x0345, readU16(spare.data()));
  EXPECT_TRUE(std::all_of(spare.begin() + 63 * 64, spare.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(ChainSpare, NamingANextBlockErasesItAtOnce) {
  TestRecorder r;
  std::vector<uint8_t> data(kBlockDataSize, 0x11), spare(kSpareImageSize);
  BlockIo(r.volume).WriteFlashBlock(50, data.data(), nullptr);
  r.flash().resetCounters();
  Chains(r.volume).GetFlashBlockNextChainInfo(50, spare.data(), -1);
  EXPECT_EQ(1u, r.flash().counters().blockErases.at(50));
  EXPECT_EQ(0xFF, r.flash().peek(50)[0]);
  r.flash().faults().failErase[51] = 1;
  Chains(r.volume).GetFlashBlockNextChainInfo(51, spare.data(), -1);  // a refused erase is ignored
  EXPECT_EQ(51, readU16(spare.data()));
  Chains(r.volume).GetFlashBlockNextChainInfo(0, spare.data(), 100);
  EXPECT_EQ(2u, r.flash().counters().erases) << "the last block names no block to erase";
}

TEST(FileShape, BlocksAndPagesInTheLastBlock) {
  struct {
    uint32_t pages, blocks, inLast;
  } cases[] = {{1, 1, 1}, {63, 1, 63}, {64, 1, 64}, {65, 2, 1}, {128, 2, 64}, {129, 3, 1}};
  for (auto c : cases) {
    EXPECT_EQ(c.blocks, Chains::blocksForPages(c.pages)) << c.pages;
    EXPECT_EQ(c.inLast, Chains::pagesInLastBlock(c.pages)) << c.pages;
  }
}

struct ChainStandard : ::testing::Test {
  TestRecorder r;
  FlashVolume &v = r.volume;
  rectest::StandardImage s = rectest::buildStandard(v);
};

TEST_F(ChainStandard, BlockListsFollowTheMapAndStopAtTheChipsEnd) {
  std::vector<uint32_t> blocks;
  ASSERT_TRUE(Chains(v).fileBlocks(s.files[1].blocks[0], s.files[1].pages, blocks));
  EXPECT_EQ(s.files[1].blocks, blocks);
  EXPECT_FALSE(Chains(v).fileBlocks(1024, 1, blocks));
  EXPECT_FALSE(Chains(v).fileBlocks(s.files[0].blocks[0], 0, blocks));
  EXPECT_FALSE(Chains(v).fileBlocks(s.files[0].blocks[0], 1025 * 64, blocks));
  // A one-block file's map entry 0xFAFE is never followed; a longer length is.
  EXPECT_FALSE(Chains(v).fileBlocks(s.files[0].blocks[0], 65, blocks)) << "0xFAFE leads outside the chip";
}

TEST_F(ChainStandard, WritableBlockSearchGoesUpwardOnly) {
  Chains c(v);
  uint32_t firstFree = s.files.back().blocks.back() + 1;
  EXPECT_EQ(firstFree, c.GetFlashWriteableBlock(v.image.reservedBlock() + 1u));
  EXPECT_EQ(firstFree + 1, c.GetFlashWriteableBlock(firstFree, std::vector<uint32_t>{firstFree}));
  v.badBlocks.add(firstFree);
  EXPECT_EQ(firstFree + 1, c.GetFlashWriteableBlock(0)) << "a listed bad block is skipped even when mapped free";
  EXPECT_EQ(1021u, c.GetFlashWriteableBlock(1021));
  EXPECT_EQ(0u, c.GetFlashWriteableBlock(1022)) << "the last two blocks are never used";
  for (uint32_t b = 500; b < 1024; ++b) v.image.setMapEntry(b, blockmap::kLast);
  EXPECT_EQ(0u, c.GetFlashWriteableBlock(500)) << "free blocks only below the start are not found";
  EXPECT_NE(0u, c.GetFlashWriteableBlock(0));
}

TEST_F(ChainStandard, AvailableBlocksAndRetiringABlock) {
  // 1 + 2 + 1 + 1 blocks in files, 6 unavailable.
  EXPECT_EQ(1024 - 5 - 6, Chains(v).GetFlashAvaliableBlockCount());
  r.flash().resetCounters();
  ASSERT_TRUE(Chains(v).AddFlashBadBlock(700));
  ASSERT_TRUE(Chains(v).AddFlashBadBlock(701));
  EXPECT_EQ(1024 - 5 - 6 - 2, Chains(v).GetFlashAvaliableBlockCount());
  EXPECT_EQ(4u, r.flash().counters().writes) << "each retirement writes the system image";
  FlashVolume loaded(r.link, r.ui);
  ASSERT_TRUE(SystemBlock(loaded).GetFlashHeaderInfo());
  EXPECT_EQ(2, loaded.image.badBlockCount());
  EXPECT_EQ(700, loaded.image.badBlockTableEntry(0));
  EXPECT_EQ(701, loaded.image.badBlockTableEntry(1));
  EXPECT_EQ(0xFFFF, loaded.image.badBlockTableEntry(2));
  EXPECT_EQ(blockmap::kBad, loaded.image.mapEntry(701));
  EXPECT_EQ(std::vector<uint16_t>({700, 701}), loaded.badBlocks.blocks());
}

TEST_F(ChainStandard, ATableFullOfBadBlocksStillMapsTheNextOne) {
  for (uint32_t b = 0; b < 128; ++b) v.badBlocks.add(800 + b);
  v.image.header()[header::kBadBlockCount] = 128;
  ASSERT_TRUE(Chains(v).AddFlashBadBlock(990));
  EXPECT_EQ(128, v.image.badBlockCount());
  EXPECT_EQ(blockmap::kBad, v.image.mapEntry(990));
  EXPECT_EQ(0xFF, v.image.header()[0x200]) << "nothing is written past the table";
}

// --- Following a chain that a cut write left behind ---------------------------------

struct ChainCut : ::testing::Test {
  TestRecorder r;
  FlashVolume &v = r.volume;
  std::vector<uint32_t> planned{10, 11, 12};
  std::vector<uint8_t> file;

  void SetUp() override { ImageBuilder(v).format(); }

  // The writer's layout of a file planned over `blocks` blocks of which the
  // first `written` bytes reached the flash: each written block names the
  // next planned block; the planned last block carries the end mark.
  void lay(uint32_t blocks, uint64_t written, uint64_t size) {
    file = ImageBuilder::headerPage({});
    auto body = ImageBuilder::pattern(size - kPageSize, 5);
    file.insert(file.end(), body.begin(), body.end());
    for (uint32_t k = 0; k < blocks; ++k) {
      uint64_t from = uint64_t{k} * kBlockDataSize;
      if (from >= written) break;
      std::vector<uint8_t> data(kBlockDataSize, 0xFF), spare(kSpareImageSize), raw(kRawBlockSize);
      uint64_t n = std::min<uint64_t>(kBlockDataSize, written - from);
      std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(from), n, data.begin());
      bool last = k + 1 == blocks;
      uint64_t lastBytes = size - uint64_t{k} * kBlockDataSize;
      Chains::buildChainSpare(last ? 0 : planned[k + 1], last ? static_cast<int>((lastBytes - 1) % kPageSize + 1) : -1,
                              spare.data());
      BlockIo::dataToRaw(data.data(), spare.data(), raw.data());
      r.flash().poke(planned[k], raw.data());
    }
  }
};

struct CutCase {
  const char *name;
  uint32_t planned;    // blocks the writer planned
  uint64_t written;    // bytes of the file on the flash
  uint8_t mode;
  size_t blocks;       // blocks entered
  uint32_t pagesInLast;
  uint32_t lastPageBytes;
};

class CutRepair : public ChainCut, public ::testing::WithParamInterface<CutCase> {};

TEST_P(CutRepair, EndsTheChainWhereTheFileEnds) {
  const CutCase &c = GetParam();
  uint64_t size = uint64_t{c.planned} * kBlockDataSize;
  lay(c.planned, c.written, std::max<uint64_t>(size - 100, c.written));
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  ASSERT_TRUE(Chains(v).GetEndOfBlockAndFix(planned[0], c.mode, blocks, pagesInLast));
  EXPECT_EQ(std::vector<uint32_t>(planned.begin(), planned.begin() + static_cast<std::ptrdiff_t>(c.blocks)), blocks);
  EXPECT_EQ(c.pagesInLast, pagesInLast);

  auto raw = r.flash().peek(blocks.back());
  EXPECT_EQ(blockmap::kLast, BlockIo::nextLink(raw.data()));
  EXPECT_TRUE(std::all_of(raw.begin() + kPageSize + 2, raw.begin() + kRawPageSize, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(c.lastPageBytes, BlockIo::lastPageByteCount(raw.data()));
  // The kept bytes read back; everything after them is erased.
  uint32_t len = (c.pagesInLast - 1) * kPageSize + c.lastPageBytes;
  uint64_t base = uint64_t{c.blocks - 1} * kBlockDataSize;
  std::vector<uint8_t> data(kBlockDataSize);
  BlockIo::rawToData(raw.data(), data.data());
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + len, file.begin() + static_cast<std::ptrdiff_t>(base)));
  EXPECT_TRUE(std::all_of(data.begin() + len, data.end(), [](uint8_t b) { return b == 0xFF; }));
  if (fileheader::isVoiceMode(c.mode)) {
    EXPECT_EQ(0u, (base + len - kPageSize) % 10) << "whole 10-byte frames";
  }
}

constexpr uint64_t B = kBlockDataSize;
INSTANTIATE_TEST_SUITE_P(
    Cases, CutRepair,
    ::testing::Values(CutCase{"linked block erased but never written", 2, B, 0xFF, 1, 64, 2048},
                      CutCase{"a 64-page file", 1, B, 0xFF, 1, 64, 2048},
                      CutCase{"other file keeps every byte", 2, B + 5000, 0xFF, 2, 3, 904},
                      CutCase{"voice cut to whole frames", 2, B + 5003, 0xAA, 2, 3, 900},
                      CutCase{"voice of whole frames", 1, 2048 + 1000, 0xBB, 1, 2, 1000},
                      CutCase{"voice cut into the previous block", 2, B + 3, 0x55, 1, 64, 2044},
                      CutCase{"voice with its header page alone", 1, 300, 0xAA, 1, 1, 2048},
                      CutCase{"torn in the third block", 3, 2 * B + 5 * 2048 + 7, 0xFF, 3, 6, 7}),
    [](const auto &info) {
      std::string n = info.param.name;
      std::replace_if(n.begin(), n.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
      return n;
    });

TEST_F(ChainCut, TheBlockAfterAFrameCutIntoThePreviousBlockIsLeftAlone) {
  lay(2, B + 3, 2 * B - 100);
  auto dropped = r.flash().peek(11);
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  r.flash().resetCounters();
  ASSERT_TRUE(Chains(v).GetEndOfBlockAndFix(10, 0x55, blocks, pagesInLast));
  EXPECT_EQ(std::vector<uint32_t>{10}, blocks);
  EXPECT_EQ(dropped, r.flash().peek(11));
  EXPECT_EQ(1u, r.flash().counters().erases);
  EXPECT_EQ(1u, r.flash().counters().writes);
}

TEST_F(ChainCut, TrailingFFBytesAreNotPartOfTheFile) {
  lay(1, 2048 + 1000, 2048 + 1000);
  auto raw = r.flash().peek(10);
  std::memset(raw.data() + rawDataOffset(1) + 900, 0xFF, 100);
  r.flash().poke(10, raw.data());
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  ASSERT_TRUE(Chains(v).GetEndOfBlockAndFix(10, 0xFF, blocks, pagesInLast));
  EXPECT_EQ(2u, pagesInLast);
  EXPECT_EQ(900u, BlockIo::lastPageByteCount(r.flash().peek(10).data()));
}

TEST_F(ChainCut, NothingWrittenClearsThePendingJob) {
  PendingJob job = PendingJob::write(1, 1, 0xAA, 10);
  ASSERT_TRUE(SystemBlock(v).WriteSystemImage(&job));
  std::vector<uint32_t> blocks{99};
  uint32_t pagesInLast = 7;
  EXPECT_FALSE(Chains(v).GetEndOfBlockAndFix(10, 0xAA, blocks, pagesInLast));
  EXPECT_TRUE(blocks.empty());
  EXPECT_TRUE(PendingJob::fromSpare(r.flash().peek(0).data() + rawSpareOffset(0)).none());
  EXPECT_EQ(0, r.disconnects);
}

TEST_F(ChainCut, RefusedLinkEndsTheChainAtTheBlockBefore) {
  lay(3, 3 * B - 100, 3 * B - 100);
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  ASSERT_TRUE(Chains(v).GetEndOfBlockAndFix(10, 0xFF, blocks, pagesInLast, [](uint32_t b) { return b != 12; }));
  EXPECT_EQ((std::vector<uint32_t>{10, 11}), blocks);
  EXPECT_EQ(64u, pagesInLast);
}

// Damaged links: the chain ends through the read error, with nothing written.
struct BrokenChain {
  const char *name;
  std::function<void(ChainCut &)> damage;
};

class BrokenChains : public ChainCut, public ::testing::WithParamInterface<BrokenChain> {};

TEST_P(BrokenChains, EndThroughTheReadErrorWithoutWriting) {
  lay(3, 3 * B - 100, 3 * B - 100);
  GetParam().damage(*this);
  r.flash().resetCounters();
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  EXPECT_FALSE(Chains(v).GetEndOfBlockAndFix(10, 0xAA, blocks, pagesInLast));
  EXPECT_TRUE(r.ui.showed("FM_text_pen_errmsg13"));
  EXPECT_EQ(1, r.disconnects);
  EXPECT_EQ(0u, r.flash().counters().writes + r.flash().counters().erases);
  EXPECT_LE(r.flash().counters().reads, 3u * 16u + 3u);
}

void relink(ChainCut &c, uint32_t block, uint16_t next) {
  auto raw = c.r.flash().peek(block);
  writeU16(raw.data() + rawSpareOffset(0), next);
  c.r.flash().poke(block, raw.data());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenChains,
    ::testing::Values(BrokenChain{"loop", [](ChainCut &c) { relink(c, 12, 10); }},
                      BrokenChain{"self_loop", [](ChainCut &c) { relink(c, 11, 11); }},
                      BrokenChain{"link_beyond_the_chip", [](ChainCut &c) { relink(c, 11, 0x1234); }},
                      BrokenChain{"sixteen_damaged_reads", [](ChainCut &c) { c.r.flash().faults().damagedReads[11] = 16; }},
                      BrokenChain{"unreadable_block", [](ChainCut &c) { c.r.flash().faults().bad.insert(999); relink(c, 11, 999); c.r.flash().faults().damagedReads[999] = 1000; }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ChainCut, FifteenDamagedReadsAreRetried) {
  lay(2, B + 5000, B + 5000);
  r.flash().faults().damagedReads[11] = 15;
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  EXPECT_TRUE(Chains(v).GetEndOfBlockAndFix(10, 0xFF, blocks, pagesInLast));
  EXPECT_EQ(2u, blocks.size());
}

TEST_F(ChainCut, LostLinkStopsBeforeReading) {
  lay(2, B + 5000, B + 5000);
  r.link.deviceOpen = false;
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  r.flash().resetCounters();
  EXPECT_FALSE(Chains(v).GetEndOfBlockAndFix(10, 0xFF, blocks, pagesInLast));
  EXPECT_EQ(1, r.disconnects);
  EXPECT_EQ(0u, r.flash().counters().reads);
}

}  // namespace
