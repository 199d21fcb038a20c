// The system block: its layout, the checked read and block write, loading
// with the restore from a copy (torn block 0 included), and the image write
// with and without a pending-job record.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageBuilder.h"
#include "TestRecorder.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"

using namespace recorder;
using rectest::ImageBuilder;
using rectest::TestRecorder;

namespace {

// A raw system block holding the volume's image, as WriteSystemImage lays it out.
std::vector<uint8_t> systemRaw(FlashVolume &v, const PendingJob *job = nullptr) {
  std::vector<uint8_t> data(kBlockDataSize), spare(kSpareImageSize), raw(kRawBlockSize);
  SystemBlock::SetFAT0InfoToBuffer(v.image, v.blockCount(), data.data());
  SystemBlock::GetCheckSum(data.data(), spare.data());
  if (job) job->storeTo(spare.data());
  BlockIo::dataToRaw(data.data(), spare.data(), raw.data());
  return raw;
}

const uint8_t *spareOf(const std::vector<uint8_t> &raw, uint32_t page) { return raw.data() + rawSpareOffset(page); }

TEST(SystemLayout, DefaultHeaderFolderPagesAndMap) {
  TestRecorder r(2048);
  auto &v = r.volume;
  std::memcpy(v.image.modelName(), "ABCDEFGH", 8);
  v.badBlocks.add(1);
  v.badBlocks.add(700);
  SystemBlock(v).SetDefaultFAT0Info();
  const uint8_t *h = v.image.header();

  EXPECT_EQ(0, std::memcmp(h, "VexoRecorderFlashFileSystemHeaderVer1.0", 39));
  EXPECT_EQ(0xFF, h[39]);
  EXPECT_EQ(0, std::memcmp(h + 0x50, "ABCDEFGH", 8)) << "the model name stays";
  EXPECT_EQ(8, h[0x58]);
  EXPECT_EQ(99, h[0x59]);
  // Block 1 is bad: the copy goes to the first free block from 1 up.
  EXPECT_EQ(0, readU16(h + 0x60));
  EXPECT_EQ(2, readU16(h + 0x62));
  EXPECT_EQ(3, readU16(h + 0x64));
  EXPECT_EQ(4, readU16(h + 0x66));
  EXPECT_EQ(2, h[0x70]);
  const uint8_t settings71[] = {0x0A, 0x10, 0xAA, 0xFF, 0x00, 0x01, 0xFF, 0x04, 0x03, 0x03};
  EXPECT_EQ(0, std::memcmp(h + 0x71, settings71, sizeof settings71));
  const uint8_t settingsC0[] = {0x57, 0x32, 0x08, 0x00, 0x01};
  for (uint32_t at : {0xC0u, 0xC5u, 0xCAu, 0xD0u}) EXPECT_EQ(0, std::memcmp(h + at, settingsC0, 5)) << at;
  EXPECT_EQ(0xFF, h[0xCF]);
  EXPECT_EQ(0x1EB0, readU16(h + 0xF0));
  EXPECT_EQ(0x21F8, readU16(h + 0xFE));
  EXPECT_EQ(1, readU16(h + 0x100));
  EXPECT_EQ(700, readU16(h + 0x102));
  EXPECT_EQ(0xFFFF, readU16(h + 0x104));
  EXPECT_EQ(0xFFFF, readU16(h + 0x2FE));
  EXPECT_EQ(0xFF, h[0x200]);

  for (int f = 1; f <= 8; ++f) {
    EXPECT_EQ(0, v.image.fileCount(f));
    EXPECT_EQ(0u, v.image.blocksUsed(f));
    EXPECT_TRUE(v.image.entryErased(f, 0));
  }
  for (uint32_t b : {0u, 2u, 3u, 4u}) EXPECT_EQ(blockmap::kReserved, v.image.mapEntry(b)) << b;
  EXPECT_EQ(blockmap::kBad, v.image.mapEntry(1));
  EXPECT_EQ(blockmap::kBad, v.image.mapEntry(700));
  EXPECT_EQ(blockmap::kFree, v.image.mapEntry(5));
  EXPECT_EQ(blockmap::kFree, v.image.mapEntry(2047));
}

TEST(SystemLayout, BufferHoldsOneMapPageFor1024BlocksAndTwoFor2048) {
  for (uint32_t blocks : {1024u, 2048u}) {
    TestRecorder r(blocks);
    auto &v = r.volume;
    SystemBlock(v).SetDefaultFAT0Info();
    v.image.setMapEntry(blocks - 1, 0x0123);
    std::vector<uint8_t> data(kBlockDataSize);
    SystemBlock::SetFAT0InfoToBuffer(v.image, blocks, data.data());
    EXPECT_EQ(0, std::memcmp(data.data() + 2048, v.image.folderPage(1), 2048));
    EXPECT_EQ(0x0123, readU16(data.data() + 9 * 2048 + 2 * (blocks - 1)));
    uint32_t mapEnd = 9 * 2048 + blocks * 2;
    EXPECT_TRUE(std::all_of(data.begin() + mapEnd, data.end(), [](uint8_t b) { return b == 0xFF; })) << blocks;
    EXPECT_EQ(blocks == 1024 ? 9u : 10u, r.link.geometry.lastSystemPage);
  }
}

TEST(SystemLayout, CheckBytesCoverTheFirst512BytesOfEachPage) {
  std::vector<uint8_t> data(kBlockDataSize, 0x00), spare(kSpareImageSize);
  data[0] = 0x12;
  data[1] = 0x34;
  data[511] = 0x01;
  data[512] = 0x77;  // beyond the checked bytes
  data[5 * 2048] = 0xFE;
  SystemBlock::GetCheckSum(data.data(), spare.data());
  EXPECT_EQ(static_cast<uint8_t>((0x12 ^ 0x34 ^ 0x01) + 1), spare[0]);
  EXPECT_EQ(0x01, spare[64]);  // all-zero page: 0 + 1
  EXPECT_EQ(0xFF, spare[5 * 64]);  // 0xFE + 1
  EXPECT_EQ(0xFF, spare[1]);
  EXPECT_EQ(0xFF, spare[63 * 64 + 5]);
}

TEST(CheckedRead, ReturnsSignatureOrChainInformation) {
  TestRecorder r;
  auto &v = r.volume;
  ImageBuilder(v).format();
  BlockIo io(v);
  std::vector<uint8_t> data(kBlockDataSize);
  uint32_t next = 0;
  EXPECT_EQ(0, io.GetFlashBlockInfo(0, data.data(), next));
  EXPECT_EQ(0, std::memcmp(data.data(), "VexoRecorder", 12));
  next = 0;
  EXPECT_EQ(-1, io.GetFlashBlockInfo(10, data.data(), next)) << "an erased block has no signature";

  std::vector<uint8_t> spare(kSpareImageSize);
  for (auto [count, link] : {std::pair{2048, 0u}, {1, 0u}, {512, 0u}, {513, 0u}, {-1, 77u}}) {
    Chains::buildChainSpare(link, count, spare.data());
    ASSERT_EQ(0, io.WriteFlashBlock(20, data.data(), spare.data()));
    next = 1;
    int bytes = io.GetFlashBlockInfo(20, data.data(), next);
    EXPECT_EQ(count < 0 ? 0 : count, bytes) << count;
    EXPECT_EQ(link == 0 ? blockmap::kLast : link, next);
  }
}

TEST(CheckedRead, RetriesFifteenDamagedReadsAndFailsOnTheSixteenth) {
  for (auto [damaged, ok] : {std::pair{15u, true}, {16u, false}}) {
    TestRecorder r;
    auto &v = r.volume;
    ImageBuilder(v).format();
    r.flash().faults().damagedReads[0] = damaged;
    std::vector<uint8_t> data(kBlockDataSize);
    uint32_t next = 0;
    int result = BlockIo(v).GetFlashBlockInfo(0, data.data(), next);
    EXPECT_EQ(ok ? 0 : -2, result) << damaged;
    EXPECT_EQ(ok ? 15 : 16, v.retryCount) << "the retry counter panel counts damaged reads";
    EXPECT_EQ(!ok, r.ui.showed("FM_text_pen_errmsg13"));
    EXPECT_EQ(ok ? 16u : 16u, r.flash().counters().reads) << "no read after the 16th damaged one";
  }
}

TEST(CheckedRead, BackupBlockIsNotTestedWhileIndexed) {
  TestRecorder r;
  auto &v = r.volume;
  ImageBuilder(v).format();
  r.flash().faults().damagedReads[1] = 100;
  std::vector<uint8_t> data(kBlockDataSize);
  uint32_t next = 0;
  r.link.indexed = true;
  EXPECT_EQ(0, BlockIo(v).GetFlashBlockInfo(1, data.data(), next));
  r.link.indexed = false;
  EXPECT_EQ(-2, BlockIo(v).GetFlashBlockInfo(1, data.data(), next));
}

TEST(BlockWrite, RefusalsReinitialiseTheLibrary) {
  TestRecorder r;
  auto &v = r.volume;
  std::vector<uint8_t> data(kBlockDataSize, 0x42);
  EXPECT_EQ(0, BlockIo(v).WriteFlashBlock(30, data.data(), nullptr));
  auto raw = r.flash().peek(30);
  EXPECT_EQ(0x42, raw[rawDataOffset(63) + 2047]);
  EXPECT_EQ(0xFF, raw[rawSpareOffset(0)]) << "no spare: all 0xFF";
  r.flash().faults().failWrite[31] = 1;
  EXPECT_EQ(-1, BlockIo(v).WriteFlashBlock(31, data.data(), nullptr));
  r.flash().faults().failErase[32] = 1;
  EXPECT_EQ(-1, BlockIo(v).WriteFlashBlock(32, data.data(), nullptr));
  EXPECT_EQ(0u, r.flash().counters().blockWrites.count(32)) << "a refused erase writes nothing";
}

TEST(SystemImageWrite, WritesBlockZeroThenTheBackupWithOrWithoutARecord) {
  TestRecorder r;
  auto &v = r.volume;
  ImageBuilder(v).format();
  r.flash().resetCounters();
  PendingJob job = PendingJob::write(3, 7, 0xAA, 0x0123);
  ASSERT_TRUE(SystemBlock(v).WriteSystemImage(&job));
  EXPECT_EQ(2u, r.flash().counters().writes);
  auto b0 = r.flash().peek(0), b1 = r.flash().peek(1);
  EXPECT_EQ(b0, b1);
  EXPECT_EQ(systemRaw(v, &job), b0);
  const uint8_t *s = spareOf(b0, 0);
  const uint8_t record[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x33, 7, 0xAA, 0x01, 0x23};
  EXPECT_EQ(0, std::memcmp(s + 7, record, 9));

  PendingJob erase = PendingJob::erase(2, 4), format = PendingJob::format();
  EXPECT_EQ(0x42, erase.code());
  EXPECT_EQ(0xFF, erase.mode());
  EXPECT_EQ(0xFFFF, erase.firstBlock());
  EXPECT_EQ(0x66, format.code());
  EXPECT_EQ(0xFF, format.number());

  ASSERT_TRUE(SystemBlock(v).WriteSystemImage());
  EXPECT_TRUE(PendingJob::fromSpare(spareOf(r.flash().peek(0), 0)).none()) << "a plain write clears the record";
  EXPECT_TRUE(PendingJob::fromSpare(spareOf(r.flash().peek(1), 0)).none());
}

TEST(SystemImageWrite, FailedBlockZeroLeavesTheBackupAlone) {
  TestRecorder r;
  auto &v = r.volume;
  ImageBuilder(v).format();
  auto backupBefore = r.flash().peek(1);
  v.image.setFileCount(1, 0);
  v.image.header()[0x71] = 0x00;
  r.flash().faults().failWrite[0] = 1;
  EXPECT_FALSE(SystemBlock(v).WriteSystemImage());
  EXPECT_EQ(backupBefore, r.flash().peek(1));
}

// --- Loading ---------------------------------------------------------------------------

struct SystemLoad : ::testing::Test {
  TestRecorder r{2048};
  FlashVolume &v = r.volume;
  void SetUp() override {
    ImageBuilder b(v);
    b.format();
    b.add({1, "A", "DVG", 0xAA, false, false, {24, 1, 1}, {1, 2, 3}, ImageBuilder::pattern(100)});
    b.commit();
  }
  bool load() {
    v.image = SystemImage();
    v.badBlocks.clear();
    r.flash().resetCounters();
    return SystemBlock(v).GetFlashHeaderInfo();
  }
};

TEST_F(SystemLoad, LoadsHeaderFoldersMapAndBadList) {
  v.badBlocks.add(600);
  SystemBlock(v).SetDefaultFAT0Info();
  ImageBuilder b(v);
  b.commit();
  ASSERT_TRUE(load());
  EXPECT_EQ(1u, r.flash().counters().reads);
  EXPECT_EQ(0u, r.flash().counters().writes);
  EXPECT_EQ(1u, v.badBlocks.count());
  EXPECT_EQ(600, v.badBlocks.blocks()[0]);
  EXPECT_EQ(blockmap::kBad, v.image.mapEntry(600));
  EXPECT_EQ(blockmap::kReserved, v.image.mapEntry(2));
}

TEST_F(SystemLoad, ErasedBlocksUsedFieldLoadsAsZero) {
  auto raw = r.flash().peek(0);
  std::memset(raw.data() + rawDataOffset(4) + 2, 0xFF, 3);  // folder 4
  r.flash().poke(0, raw.data());
  ASSERT_TRUE(load());
  EXPECT_EQ(0u, v.image.blocksUsed(4));
  EXPECT_EQ(1u, v.image.blocksUsed(1));
}

TEST_F(SystemLoad, ErasedBlockZeroIsRestoredFromTheCopyWithItsSpare) {
  auto copy = r.flash().peek(1);
  std::vector<uint8_t> erased(kRawBlockSize, 0xFF);
  r.flash().poke(0, erased.data());
  ASSERT_TRUE(load());
  EXPECT_EQ(copy, r.flash().peek(0));
  EXPECT_EQ(1, v.image.fileCount(1));
  EXPECT_EQ(1u, r.flash().counters().erases);
  EXPECT_EQ(1u, r.flash().counters().writes);
}

TEST_F(SystemLoad, CopySearchSkipsACopyWithABadCheckByteInASystemPage) {
  // Block 1 fails in page 10 (the last system page of a 2048-block chip);
  // block 5 holds a good copy; block 3 fails only in page 11, which is not checked.
  auto good = r.flash().peek(1);
  auto laterPage = good;
  laterPage[rawSpareOffset(11)] ^= 0x10;
  laterPage[rawDataOffset(1) + 1000] ^= 0x01;  // beyond the checked bytes: tells the copies apart
  auto badSystemPage = good;
  badSystemPage[rawSpareOffset(10)] ^= 0x10;
  r.flash().poke(1, badSystemPage.data());
  r.flash().poke(3, laterPage.data());
  r.flash().poke(5, good.data());
  std::vector<uint8_t> erased(kRawBlockSize, 0xFF);
  r.flash().poke(0, erased.data());
  ASSERT_TRUE(load());
  EXPECT_EQ(laterPage, r.flash().peek(0)) << "block 3's copy: its page 11 is not checked";
  EXPECT_TRUE(r.ui.noticeShown == false);
  EXPECT_EQ(1u, r.flash().counters().blockErases.at(0));
}

TEST_F(SystemLoad, NoValidCopyDisconnects) {
  std::vector<uint8_t> erased(kRawBlockSize, 0xFF);
  r.flash().poke(0, erased.data());
  r.flash().poke(1, erased.data());
  EXPECT_FALSE(load());
  EXPECT_EQ(1, r.disconnects);
  EXPECT_FALSE(r.link.indexed);
  EXPECT_EQ(0u, r.flash().counters().writes);
}

TEST_F(SystemLoad, ReadOnlyLoadReadsTheCopyWithoutWriting) {
  std::vector<uint8_t> erased(kRawBlockSize, 0xFF);
  r.flash().poke(0, erased.data());
  v.readOnly = true;
  ASSERT_TRUE(load());
  EXPECT_EQ(1, v.image.fileCount(1));
  EXPECT_EQ(0u, r.flash().counters().writes + r.flash().counters().erases);
}

// Block 0 torn by a lost link: its signature is programmed but later pages
// are erased or partly written. It must not load as an index.
class TornBlockZero : public ::testing::TestWithParam<uint32_t> {};

TEST_P(TornBlockZero, IsRestoredFromTheCopy) {
  TestRecorder r(2048);
  auto &v = r.volume;
  ImageBuilder b(v);
  b.format();
  b.add({1, "KEEP", "DVG", 0xAA, false, false, {24, 1, 1}, {1, 2, 3}, ImageBuilder::pattern(100)});
  b.commit();
  auto before = r.flash().peek(0);
  // A job edits the image and its write of block 0 is torn after P pages.
  b.add({2, "NEW", "DVG", 0xAA, false, false, {24, 1, 1}, {1, 2, 3}, ImageBuilder::pattern(100, 9)});
  r.flash().resetCounters();
  r.flash().faults().tornWrite = 1;
  r.flash().faults().tornWritePages = GetParam();
  EXPECT_FALSE(SystemBlock(v).WriteSystemImage());
  auto torn = r.flash().peek(0);
  ASSERT_EQ(0, std::memcmp(torn.data(), "VexoRecorder", 12)) << "the signature reached the flash";

  r.reconnect();
  v.image = SystemImage();
  ASSERT_TRUE(SystemBlock(v).GetFlashHeaderInfo());
  EXPECT_EQ(before, r.flash().peek(0)) << "block 0 is the copy again";
  EXPECT_EQ(1, v.image.fileCount(1));
  EXPECT_EQ(0, v.image.fileCount(2));
}

INSTANTIATE_TEST_SUITE_P(Pages, TornBlockZero, ::testing::Values(1u, 2u, 5u, 9u, 10u));

TEST(TornBlockZero1024, LastSystemPageNineIsChecked) {
  TestRecorder r(1024);
  auto &v = r.volume;
  ImageBuilder(v).format();
  auto raw = r.flash().peek(0);
  raw[rawSpareOffset(9)] ^= 1;
  r.flash().poke(0, raw.data());
  ASSERT_TRUE(SystemBlock(v).GetFlashHeaderInfo());
  EXPECT_EQ(r.flash().peek(1), r.flash().peek(0));
}

TEST(ModelDialog, StartWritesQ417OverTheFirstFourCharacters) {
  TestRecorder r;
  auto &v = r.volume;
  std::memcpy(v.image.modelName(), "ABCDEFGH", 8);
  ASSERT_TRUE(r.ui.chooseModel(v.image.modelName()));
  EXPECT_EQ("Q417EFGH", v.image.modelNameText());
  SystemBlock(v).SetDefaultFAT0Info();
  EXPECT_EQ("Q417EFGH", v.image.modelNameText()) << "formatting keeps the chosen name";
  r.ui.modelEntry.clear();
  std::memcpy(v.image.modelName(), "ABCDEFGH", 8);
  EXPECT_FALSE(r.ui.chooseModel(v.image.modelName()));
  EXPECT_EQ("ABCDEFGH", v.image.modelNameText());
}

}  // namespace
