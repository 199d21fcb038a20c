#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "q417io/Flash.h"

using namespace q417io;

namespace {

std::vector<uint8_t> filled(uint8_t value) { return std::vector<uint8_t>(kRawBlockSize, value); }

bool allBytes(const std::vector<uint8_t> &raw, size_t from, size_t to, uint8_t value) {
  for (size_t i = from; i < to; ++i)
    if (raw[i] != value) return false;
  return true;
}

class FlashTest : public ::testing::Test {
 protected:
  std::unique_ptr<Flash> flash = Flash::inMemory(1024);
  std::vector<uint8_t> buf = filled(0);
};

TEST_F(FlashTest, IdentifierFollowsBlockCount) {
  EXPECT_EQ(flash->id() & 0xFF, 0xF1);
  EXPECT_EQ(Flash::inMemory(2048)->id() & 0xFF, 0xDA);
  EXPECT_EQ(flashIdForBlocks(1000), 0);
  EXPECT_EQ(blocksForImageSize(1024ull * kRawBlockSize), 1024u);
  EXPECT_EQ(blocksForImageSize(2048ull * kRawBlockSize), 2048u);
  EXPECT_EQ(blocksForImageSize(2048ull * kRawBlockSize + 1), 0u);
  EXPECT_EQ(blocksForImageSize(512ull * kRawBlockSize), 0u);
}

TEST_F(FlashTest, FreshChipReadsErased) {
  ASSERT_EQ(flash->read(buf.data(), 5), 1);
  EXPECT_TRUE(allBytes(buf, 0, kRawBlockSize, 0xFF));
}

TEST_F(FlashTest, WriteOnlyClearsBitsUntilErased) {
  auto first = filled(0xF0);
  auto second = filled(0x3C);
  ASSERT_EQ(flash->write(first.data(), 7), 1);
  ASSERT_EQ(flash->write(second.data(), 7), 1);  // no erase between: damage, not success
  flash->read(buf.data(), 7);
  EXPECT_TRUE(allBytes(buf, 0, kRawBlockSize, 0x30));
  ASSERT_EQ(flash->erase(7), 1);
  flash->read(buf.data(), 7);
  EXPECT_TRUE(allBytes(buf, 0, kRawBlockSize, 0xFF));
  ASSERT_EQ(flash->write(second.data(), 7), 1);
  flash->read(buf.data(), 7);
  EXPECT_TRUE(allBytes(buf, 0, kRawBlockSize, 0x3C));
}

TEST_F(FlashTest, OutOfRangeBlocksFail) {
  EXPECT_EQ(flash->read(buf.data(), 1024), 0);
  EXPECT_EQ(flash->erase(1024), 0);
  EXPECT_EQ(flash->write(buf.data(), 4096), 0);
}

TEST_F(FlashTest, CountersPerBlockAndTotal) {
  flash->read(buf.data(), 1);
  flash->read(buf.data(), 1);
  flash->erase(2);
  flash->write(buf.data(), 2);
  flash->write(buf.data(), 3);
  const Counters &c = flash->counters();
  EXPECT_EQ(c.reads, 2u);
  EXPECT_EQ(c.erases, 1u);
  EXPECT_EQ(c.writes, 2u);
  EXPECT_EQ(c.blockReads.at(1), 2u);
  EXPECT_EQ(c.blockWrites.at(2), 1u);
  EXPECT_EQ(c.blockWrites.at(3), 1u);
}

TEST_F(FlashTest, BadBlockRefusesEraseAndWriteForever) {
  flash->faults().bad.insert(9);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(flash->erase(9), 0);
    EXPECT_EQ(flash->write(buf.data(), 9), 0);
  }
  EXPECT_EQ(flash->erase(10), 1);
  EXPECT_TRUE(flash->linked());
}

TEST_F(FlashTest, FailFromTheNthTimeOn) {
  flash->faults().failErase[4] = 3;
  flash->faults().failWrite[4] = 2;
  EXPECT_EQ(flash->erase(4), 1);
  EXPECT_EQ(flash->erase(4), 1);
  EXPECT_EQ(flash->erase(4), 0);
  EXPECT_EQ(flash->erase(4), 0);
  EXPECT_EQ(flash->write(buf.data(), 4), 1);
  EXPECT_EQ(flash->write(buf.data(), 4), 0);
  EXPECT_EQ(flash->erase(5), 1);  // other blocks unaffected
}

TEST_F(FlashTest, DamagedReadsShowInPageZeroSpareForKReads) {
  flash->faults().damagedReads[6] = 2;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(flash->read(buf.data(), 6), 1);
    EXPECT_EQ(buf[kPageDataSize], 0xFF);  // byte 0 (a check byte) untouched
    for (uint32_t b = 1; b < 16; ++b) EXPECT_NE(buf[kPageDataSize + b], 0xFF) << b;
  }
  ASSERT_EQ(flash->read(buf.data(), 6), 1);
  EXPECT_TRUE(allBytes(buf, 0, kRawBlockSize, 0xFF));
  // The damage is in what the read returns, never on the chip.
  EXPECT_TRUE(allBytes(flash->peek(6), 0, kRawBlockSize, 0xFF));
}

TEST_F(FlashTest, CutAfterNthOperationLosesTheLink) {
  flash->faults().cutAfter = 2;
  EXPECT_EQ(flash->erase(1), 1);
  EXPECT_EQ(flash->write(buf.data(), 1), 1);  // the second completes, then the link is gone
  EXPECT_FALSE(flash->linked());
  EXPECT_EQ(flash->id(), 0);
  EXPECT_EQ(flash->read(buf.data(), 1), 0);
  EXPECT_EQ(flash->erase(2), 0);
  EXPECT_EQ(flash->write(buf.data(), 2), 0);
  flash->reconnect();
  EXPECT_TRUE(flash->linked());
  EXPECT_NE(flash->id(), 0);
  flash->read(buf.data(), 1);
  EXPECT_TRUE(allBytes(buf, 0, kRawBlockSize, 0x00));
}

TEST_F(FlashTest, TornWriteKeepsFirstPagesOnly) {
  auto old = filled(0xFF);
  old[kRawBlockSize - 1] = 0x0F;  // a programmed byte in the last page stays as it was
  flash->poke(3, old.data());
  flash->faults().tornWrite = 2;
  flash->faults().tornWritePages = 5;
  auto data = filled(0x00);
  EXPECT_EQ(flash->write(data.data(), 2), 1);
  EXPECT_EQ(flash->write(data.data(), 3), 0);
  EXPECT_FALSE(flash->linked());
  auto raw = flash->peek(3);
  EXPECT_TRUE(allBytes(raw, 0, 5 * kRawPageSize, 0x00));
  EXPECT_TRUE(allBytes(raw, 5 * kRawPageSize, kRawBlockSize - 1, 0xFF));
  EXPECT_EQ(raw[kRawBlockSize - 1], 0x0F);
}

TEST_F(FlashTest, TornEraseLeavesPartErasedAndRestAsItWas) {
  auto data = filled(0x11);
  flash->poke(8, data.data());
  flash->faults().tornErase = 1;
  EXPECT_EQ(flash->erase(8), 0);
  EXPECT_FALSE(flash->linked());
  auto raw = flash->peek(8);
  EXPECT_TRUE(allBytes(raw, 0, kRawBlockSize / 2, 0xFF));
  EXPECT_TRUE(allBytes(raw, kRawBlockSize / 2, kRawBlockSize, 0x11));
}

TEST_F(FlashTest, TearOpCountsErasesAndWritesTogether) {
  flash->faults().tearOp = 3;
  flash->faults().tearOpPages = 1;
  auto data = filled(0x00);
  EXPECT_EQ(flash->erase(1), 1);
  EXPECT_EQ(flash->write(data.data(), 1), 1);
  EXPECT_EQ(flash->write(data.data(), 2), 0);
  auto raw = flash->peek(2);
  EXPECT_TRUE(allBytes(raw, 0, kRawPageSize, 0x00));
  EXPECT_TRUE(allBytes(raw, kRawPageSize, kRawBlockSize, 0xFF));
}

TEST_F(FlashTest, SnapshotRestoresTheChip) {
  auto data = filled(0x42);
  flash->write(data.data(), 1);
  auto snap = flash->memory()->snapshot();
  flash->erase(1);
  flash->write(filled(0x00).data(), 2);
  flash->memory()->restore(snap);
  EXPECT_TRUE(allBytes(flash->peek(1), 0, kRawBlockSize, 0x42));
  EXPECT_TRUE(allBytes(flash->peek(2), 0, kRawBlockSize, 0xFF));
}

// Memory whose reads or writes can be refused. It keeps the default erase
// and program of Storage (a write of 0xFF; a read, AND and write), as the
// image file does.
class FailingStorage final : public Storage {
 public:
  explicit FailingStorage(uint32_t blocks) : inner(blocks) {}
  uint32_t blockCount() const override { return inner.blockCount(); }
  bool read(uint32_t block, uint8_t *raw) override { return !failReads && inner.read(block, raw); }
  bool write(uint32_t block, const uint8_t *raw) override { return !failWrites && inner.write(block, raw); }
  MemoryStorage inner;
  bool failReads = false, failWrites = false;
};

struct StorageFailureCase {
  const char *name;
  bool failReads, failWrites;
  int read, erase, write;  // what the flash answers
};

void PrintTo(const StorageFailureCase &c, std::ostream *os) { *os << c.name; }

class StorageFailureTest : public ::testing::TestWithParam<StorageFailureCase> {
 protected:
  void SetUp() override {
    auto owned = std::make_unique<FailingStorage>(1024);
    storage = owned.get();
    flash = std::make_unique<Flash>(std::move(owned));
    auto old = filled(0x5A);
    storage->inner.write(3, old.data());
    storage->failReads = GetParam().failReads;
    storage->failWrites = GetParam().failWrites;
  }
  FailingStorage *storage = nullptr;
  std::unique_ptr<Flash> flash;
};

TEST_P(StorageFailureTest, TheFlashAnswersWhatTheStorageDid) {
  const auto &c = GetParam();
  auto stored = [this] {
    std::vector<uint8_t> raw(kRawBlockSize);
    EXPECT_TRUE(storage->inner.read(3, raw.data()));
    return raw;
  };
  auto got = filled(0x00), data = filled(0x0F);
  EXPECT_EQ(flash->read(got.data(), 3), c.read);
  EXPECT_EQ(flash->write(data.data(), 3), c.write);
  EXPECT_TRUE(allBytes(stored(), 0, kRawBlockSize, c.write ? 0x0A : 0x5A));
  EXPECT_EQ(flash->erase(3), c.erase);
  EXPECT_TRUE(allBytes(stored(), 0, kRawBlockSize, c.erase ? 0xFF : c.write ? 0x0A : 0x5A));
  EXPECT_TRUE(flash->linked());
}

INSTANTIATE_TEST_SUITE_P(
    Storage, StorageFailureTest,
    ::testing::Values(StorageFailureCase{"Sound", false, false, 1, 1, 1},
                      // Programming reads the cells first: no read, no write.
                      StorageFailureCase{"ReadsFail", true, false, 0, 1, 0},
                      StorageFailureCase{"WritesFail", false, true, 1, 0, 0},
                      StorageFailureCase{"BothFail", true, true, 0, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StorageFailure, RefusedStorageStillCountsTowardsTheCut) {
  auto owned = std::make_unique<FailingStorage>(1024);
  owned->failWrites = true;
  Flash flash(std::move(owned));
  flash.faults().cutAfter = 2;
  auto buf = filled(0x00);
  EXPECT_EQ(flash.erase(1), 0);
  EXPECT_TRUE(flash.linked());
  EXPECT_EQ(flash.write(buf.data(), 1), 0);
  EXPECT_FALSE(flash.linked());
}

TEST(StorageFailure, TornEraseOfAnUnreadableBlockDoesNotPassForErased) {
  auto owned = std::make_unique<FailingStorage>(1024);
  FailingStorage *storage = owned.get();
  Flash flash(std::move(owned));
  auto data = filled(0x11);
  ASSERT_TRUE(flash.poke(8, data.data()));
  storage->failReads = true;
  EXPECT_TRUE(flash.peek(8).empty()) << "an unreadable block reads as nothing, not as erased";
  flash.faults().tornErase = 1;
  EXPECT_EQ(flash.erase(8), 0);
  EXPECT_FALSE(flash.linked());
  std::vector<uint8_t> now(kRawBlockSize);
  ASSERT_TRUE(storage->inner.read(8, now.data()));
  EXPECT_TRUE(allBytes(now, 0, kRawBlockSize, 0x11));
}

struct ParseCase {
  const char *text;
  bool ok;
};

class ParseFaultsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseFaultsTest, AcceptsTheSyntaxAndNamesBadEntries) {
  std::string error;
  auto plan = parseFaults(GetParam().text, &error);
  EXPECT_EQ(plan.has_value(), GetParam().ok) << GetParam().text << " " << error;
  if (!GetParam().ok) {
    EXPECT_NE(error.find('\''), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, ParseFaultsTest,
    ::testing::Values(ParseCase{"", true}, ParseCase{"cut-after=5", true}, ParseCase{"torn-write=3:10", true},
                      ParseCase{"torn-erase=2", true}, ParseCase{"bad=7,bad=9", true},
                      ParseCase{"fail-write=4:2,fail-erase=4:1,damaged-read=3:15", true},
                      ParseCase{"cut-after=", false}, ParseCase{"cut-after=0", false},
                      ParseCase{"cut-after=x", false}, ParseCase{"torn-write=3", false},
                      ParseCase{"torn-write=3:64", false}, ParseCase{"bad=7,frobnicate=1", false},
                      ParseCase{"damaged-read=3:0", false}, ParseCase{"bad=-1", false}));

TEST(ParseFaults, FillsThePlan) {
  std::string error;
  auto plan = parseFaults("cut-after=5,torn-write=3:10,bad=7,fail-erase=4:2,damaged-read=3:15", &error);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->cutAfter, 5u);
  EXPECT_EQ(plan->tornWrite, 3u);
  EXPECT_EQ(plan->tornWritePages, 10u);
  EXPECT_TRUE(plan->bad.count(7));
  EXPECT_EQ(plan->failErase.at(4), 2u);
  EXPECT_EQ(plan->damagedReads.at(3), 15u);
  EXPECT_EQ(badListAsFaults("3,17"), "bad=3,bad=17");
}

}  // namespace
