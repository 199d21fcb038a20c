// Initialising the recorder and finishing interrupted jobs at connection.
#include <gtest/gtest.h>

#include <cstring>

#include "Rig.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/Index.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Eraser.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

class FormatRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.formatted(); }

  void fill(int folder, int count, size_t bytes = 1000) {
    std::vector<fs::path> files;
    for (int i = 1; i <= count; ++i) {
      fs::path file = pc / ("F" + std::to_string(folder) + "_" + std::to_string(i) + ".bin");
      writeFile(file, pattern(bytes, folder * 10 + i));
      files.push_back(file);
    }
    ASSERT_TRUE(put(rig, folder, files));
  }
  // Lays a data block straight onto the flash: data (block data size
  // bytes, short data padded with 0xFF), its link and, for a last block,
  // the byte count of its last page.
  void layBlock(uint32_t block, std::vector<uint8_t> data, uint32_t next, int count = -1) {
    data.resize(kBlockDataSize, 0xFF);
    std::vector<uint8_t> spare(kSpareImageSize), raw(kRawBlockSize);
    Chains::buildChainSpare(next, count, spare.data());
    BlockIo::dataToRaw(data.data(), spare.data(), raw.data());
    rig.flash().poke(block, raw.data());
  }
  void writeRecord(const PendingJob &job) { ASSERT_TRUE(SystemBlock(rig.v()).WriteSystemImage(&job)); }
  std::vector<uint8_t> headerPage(const char *name, const std::vector<uint8_t> &first = {}) {
    FileHeader h = makeFileHeader(pc / name, first.data(), first.size(), voice::HeaderTime{2024, 1, 2, 3, 4, 5});
    std::vector<uint8_t> page(kPageSize, 0xFF);
    std::copy(h.bytes.begin(), h.bytes.end(), page.begin());
    return page;
  }
  std::vector<uint8_t> raw(uint32_t block) { return rig.flash().peek(block); }
  // The directory a recovery left in memory is the one a read of the index
  // gives.
  void expectDirectoryCurrent() {
    auto describeAll = [](const Directory &d) {
      std::string text;
      for (int f = 1; f <= 8; ++f)
        for (const auto &r : d.records(f))
          text += std::to_string(f) + ":" + r.name + "." + r.ext + "@" + std::to_string(r.firstBlock) + "/" +
                  std::to_string(r.pages) + "/" + r.mode + r.flagP + r.flagT + "\n";
      return text;
    };
    const std::string kept = describeAll(rig.v().directory);
    ASSERT_TRUE(Index(rig.v()).GetFlashIndex());
    EXPECT_EQ(kept, describeAll(rig.v().directory));
  }

  Rig rig;
  TempDir pc;
};

TEST_F(FormatRecoveryTest, InitializeNeedsTheModelAndAYes) {
  fill(1, 2);
  struct Case {
    const char *what;
    std::string model;
    int answer;
    Status status;
    const char *message;
  };
  const Case cases[] = {
      {"model dialog cancelled", "", components::kResultYes, Status::Declined, nullptr},
      {"No to the question", std::string(components::kModelEntry), components::kResultNo, Status::Declined,
       "FM_text_pen_errmsg8"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    rig.ui.modelEntry = c.model;
    rig.ui.answers = {c.answer};
    rig.ui.messages.clear();
    uint64_t ops = rig.flashOps();
    EXPECT_EQ(Formatter(rig.v(), &rig.panel()).PreFlashFormat().status, c.status);
    EXPECT_EQ(rig.flashOps(), ops);
    if (c.message) {
      EXPECT_TRUE(rig.ui.showed(c.message));
    }
    EXPECT_EQ(rig.v().directory.fileCount(1), 2u);
  }
}

TEST_F(FormatRecoveryTest, InitializeTestsOnlyTheBlocksAboveTheReservedOnes) {
  fill(1, 3, 3 * kBlockDataSize);
  rig.ui.modelEntry = std::string(components::kModelEntry);
  rig.ui.events.clear();
  rig.flash().resetCounters();
  const uint32_t backup = rig.v().image.backupBlock(), reserved = rig.v().image.reservedBlock();
  ASSERT_TRUE(Formatter(rig.v(), &rig.panel()).PreFlashFormat().ok());
  EXPECT_EQ(rig.v().image.modelNameText().substr(0, 4), "Q417");
  EXPECT_TRUE(rig.v().link.indexed);
  for (int f = 1; f <= 8; ++f) EXPECT_EQ(rig.v().directory.fileCount(f), 0u);
  const auto &c = rig.flash().counters();
  // Block 0 and its copy get the image with the format record and the empty
  // file system; the reserved blocks are never tested.
  EXPECT_EQ(c.blockWrites.count(0) ? c.blockWrites.at(0) : 0, 2u);
  EXPECT_EQ(c.blockWrites.count(backup) ? c.blockWrites.at(backup) : 0, 2u);
  for (uint32_t b = 1; b <= reserved; ++b)
    if (b != backup) {
      EXPECT_EQ(c.blockErases.count(b) + c.blockWrites.count(b) + c.blockReads.count(b), 0u) << b;
    }
  EXPECT_EQ(c.blockWrites.at(reserved + 1), 1u);
  EXPECT_EQ(c.blockErases.at(rig.flash().blockCount() - 1), 2u);
  // The progress window: red while testing, the Cancel button hidden.
  auto has = [&](const std::string &e) { return std::find(rig.ui.events.begin(), rig.ui.events.end(), e) != rig.ui.events.end(); };
  EXPECT_TRUE(has("title!:[FM_Caption_title0]"));
  EXPECT_TRUE(has("title:[FM_Caption_title0]"));
  EXPECT_TRUE(has("cancel:hidden"));
  EXPECT_TRUE(has("cancel:shown"));
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.fsckText(), "");
}

// The recovery cases: a record left in block 0 and what the flash holds.
TEST_F(FormatRecoveryTest, WriteCutAfterTheFirstOfTwoBlocksEntersOneBlock) {
  fill(3, 1);
  std::vector<uint8_t> data = headerPage("cut.bin");
  std::vector<uint8_t> body = pattern(kBlockDataSize - kPageSize, 3);
  data.insert(data.end(), body.begin(), body.end());
  ASSERT_EQ(rig.v().image.mapEntry(20), blockmap::kFree);
  layBlock(20, data, 21);  // block 21 was erased before it was written
  writeRecord(PendingJob::write(3, 2, fileheader::kModeNone, 20));
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::Write);
  EXPECT_TRUE(rig.session().recovery().finished);
  ASSERT_EQ(rig.v().directory.fileCount(3), 2u);
  EXPECT_EQ(rig.v().image.entry(3, 1).firstBlock, 20);
  EXPECT_EQ(rig.v().image.entry(3, 1).pages, 64u);
  expectDirectoryCurrent();
  std::vector<uint8_t> back;
  ASSERT_TRUE(readRecording(rig.v(), 3, 2, back));
  EXPECT_EQ(back, body);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(FormatRecoveryTest, VoiceWriteCutMidBlockKeepsWholeFrames) {
  fs::path file = pc / "talk.DVG";
  std::vector<uint8_t> voiceBytes = voiceFile(file, pattern(2 * kBlockDataSize, 4));
  std::vector<uint8_t> first(kPageSize, 0xFF);
  std::copy(voiceBytes.begin(), voiceBytes.begin() + 256, first.begin());
  first.insert(first.end(), voiceBytes.begin() + 256, voiceBytes.begin() + 256 + (kBlockDataSize - kPageSize));
  const size_t inSecond = 12345;
  std::vector<uint8_t> second(voiceBytes.begin() + 256 + (kBlockDataSize - kPageSize),
                              voiceBytes.begin() + 256 + (kBlockDataSize - kPageSize) + inSecond);
  layBlock(30, first, 31);
  layBlock(31, second, 32);
  writeRecord(PendingJob::write(1, 1, fileheader::kModeSP, 30));
  ASSERT_TRUE(rig.reconnect());
  ASSERT_EQ(rig.v().directory.fileCount(1), 1u);
  size_t voiceData = (kBlockDataSize - kPageSize + inSecond) / 10 * 10;
  std::vector<uint8_t> back;
  ASSERT_TRUE(readRecording(rig.v(), 1, 1, back));
  ASSERT_EQ(back.size(), 256 + voiceData);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), voiceBytes.begin()));
  EXPECT_EQ(rig.v().directory.records(1)[0].mode, "SP");
  EXPECT_EQ(rig.fsckText(), "");
}

// The recorder appending to recording A1 when the power failed: the record
// carries the rewrite flag, the old length and A1's own first block, and the
// new audio runs on from A1's block into a free one.
TEST_F(FormatRecoveryTest, AnAppendToARecordingIsEnteredAlongItsOwnBlocks) {
  fs::path file = pc / "A1.DVG";
  voiceFile(file, pattern(5000, 4));
  ASSERT_TRUE(put(rig, 1, {file}));
  ASSERT_EQ(rig.v().image.entry(1, 0).firstBlock, 4u);
  ASSERT_EQ(rig.v().image.entry(1, 0).pages, 4u);
  std::vector<uint8_t> block4 = raw(4);
  writeU16(block4.data() + rawSpareOffset(0), 12);  // linked on to block 12
  for (int i = 0; i < 3; ++i) block4[rawSpareOffset(kLastPage) + i] = 0xFF;
  rig.flash().poke(4, block4.data());
  std::vector<uint8_t> more = pattern(5005, 5);
  layBlock(12, more, 0);
  PendingJob job = PendingJob::write(1, 1, fileheader::kModeSP, 4);
  job.bytes[jobrecord::kFlag - jobrecord::kFirst] = jobrecord::kRewrite;
  writeU24(&job.bytes[jobrecord::kOldValue - jobrecord::kFirst], 4);
  writeRecord(job);

  ASSERT_TRUE(rig.reconnect());
  const Recovery::Report &report = rig.session().recovery();
  EXPECT_EQ(report.job, Recovery::Job::Write);
  EXPECT_TRUE(report.finished);
  ASSERT_EQ(rig.v().directory.fileCount(1), 1u);
  EXPECT_EQ(rig.v().image.entry(1, 0).firstBlock, 4u);
  EXPECT_EQ(rig.v().image.entry(1, 0).pages, 67u);
  EXPECT_EQ(rig.v().image.mapEntry(4), 12u);
  EXPECT_EQ(rig.v().image.mapEntry(12), blockmap::kLast);
  EXPECT_EQ(rig.v().image.blocksUsed(1), 2u);
  expectDirectoryCurrent();
  std::vector<uint8_t> back;
  ASSERT_TRUE(readRecording(rig.v(), 1, 1, back));
  // Whole 10-byte frames after the header page: 5005 bytes keep 4996.
  ASSERT_EQ(back.size(), 256 + (kBlockDataSize - kPageSize) + 4996);
  EXPECT_TRUE(std::equal(more.begin(), more.begin() + 4996, back.end() - 4996));
  EXPECT_EQ(rig.fsckText(), "");
}

// The rewrite of a cut file's last block is refused: nothing is entered,
// the record stays and the recovery says it could not finish; once the
// block can be written, the next connection enters the chain.
TEST_F(FormatRecoveryTest, ARefusedRepairOfTheLastBlockIsNotReportedAsFinished) {
  std::vector<uint8_t> data = headerPage("cut.bin");
  std::vector<uint8_t> body = pattern(kBlockDataSize, 3);
  data.insert(data.end(), body.begin(), body.end());
  data.resize(kBlockDataSize);
  std::vector<uint8_t> tail(body.begin() + (kBlockDataSize - kPageSize), body.end());
  tail.resize(7000, 0x11);
  layBlock(20, data, 21);
  layBlock(21, tail, 22);
  writeRecord(PendingJob::write(3, 1, fileheader::kModeNone, 20));

  ASSERT_TRUE(rig.reconnect([&] { rig.flash().faults().failErase[21] = 1; }));
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::Write);
  EXPECT_FALSE(rig.session().recovery().finished);
  EXPECT_EQ(rig.session().recovery().describe(), "could not finish a write into folder C");
  EXPECT_EQ(rig.v().directory.fileCount(3), 0u);
  EXPECT_NE(rig.fsckText().find("pending-job"), std::string::npos);

  ASSERT_TRUE(rig.reconnect());
  EXPECT_TRUE(rig.session().recovery().finished);
  ASSERT_EQ(rig.v().directory.fileCount(3), 1u);
  EXPECT_EQ(rig.v().image.entry(3, 0).pages, 64u + 4u);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(FormatRecoveryTest, DeleteRecordsAreFinished) {
  struct Case {
    const char *what;
    PendingJob job;
    std::vector<size_t> left;  // files of folder 2 that stay (from 1)
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {"0x42: one file", PendingJob::erase(2, 2), {1, 3}, {"#2"}},
      {"0x52: every file, the last first", {}, {}, {"#3", "#2", "#1"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    rig.formatted();
    fill(2, 3);
    fill(4, 1);
    Model before = rig.model();
    PendingJob job = c.job;
    if (job.none()) job.bytes[4] = 0x52;  // the recorder's own "erase the folder" record
    writeRecord(job);
    rig.ui.events.clear();
    ASSERT_TRUE(rig.reconnect());
    EXPECT_TRUE(rig.session().recovery().finished);
    expectDirectoryCurrent();
    Model after = rig.model();
    Model expected = before;
    expected[1].clear();
    for (size_t n : c.left) expected[1].push_back(before[1][n - 1]);
    EXPECT_EQ(after, expected) << describe(after);
    std::vector<std::string> order;
    for (const auto &e : rig.ui.events)
      if (e.rfind("lines:|#", 0) == 0) order.push_back(e.substr(7, 2));
    EXPECT_EQ(order, c.order);
    EXPECT_EQ(rig.fsckText(), "");
  }
}

TEST_F(FormatRecoveryTest, FormatRecordFormatsAgain) {
  fill(1, 2, 2 * kBlockDataSize);
  Formatter(rig.v()).WritePreFormatStatus();
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::Format);
  for (int f = 1; f <= 8; ++f) EXPECT_EQ(rig.v().directory.fileCount(f), 0u);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(FormatRecoveryTest, UnknownRecordIsLeftAlone) {
  fill(1, 1);
  PendingJob job;
  job.bytes[4] = 0x77;
  writeRecord(job);
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.session().recovery().job, Recovery::Job::Unknown);
  EXPECT_EQ(rig.v().directory.fileCount(1), 1u);
  // Block 0 and its copy both keep the record.
  auto found = rig.fsck();
  ASSERT_EQ(found.size(), 2u);
  for (const auto &v : found) EXPECT_EQ(v.code, "pending-job") << v.message;
}

// A cut write is followed on the flash only through blocks that are free
// and owned by no recording: a stale link into a live recording ends the
// chain before it.
TEST_F(FormatRecoveryTest, RecoveryNeverFollowsALinkIntoALiveRecording) {
  fill(2, 1, 3 * kBlockDataSize);
  Model before = rig.model();
  const uint32_t live = rig.v().image.entry(2, 0).firstBlock;
  const uint32_t free = Chains(rig.v()).GetFlashWriteableBlock(rig.v().image.reservedBlock() + 1u);
  std::vector<uint8_t> data = headerPage("stale.bin");
  std::vector<uint8_t> body = pattern(5000, 8);
  data.insert(data.end(), body.begin(), body.end());
  layBlock(free, data, live + 1);  // names the live recording's second block
  writeRecord(PendingJob::write(1, 1, fileheader::kModeNone, free));
  ASSERT_TRUE(rig.reconnect());
  Model after = rig.model();
  EXPECT_EQ(after[1], before[1]);
  ASSERT_EQ(after[0].size(), 1u);
  EXPECT_EQ(after[0][0].bytes, body);
  EXPECT_EQ(rig.v().image.entry(1, 0).pages, 4u);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(FormatRecoveryTest, RecordNamingABlockInUseIsOnlyCleared) {
  fill(2, 1, 3 * kBlockDataSize);
  Model before = rig.model();
  writeRecord(PendingJob::write(1, 1, fileheader::kModeNone, rig.v().image.entry(2, 0).firstBlock));
  ASSERT_TRUE(rig.reconnect());
  EXPECT_TRUE(rig.session().recovery().finished);
  EXPECT_EQ(rig.model(), before);
  EXPECT_EQ(rig.fsckText(), "");
}

// A write cut right after its record, on a flash whose lowest free blocks
// hold a deleted recording: the record's first block was erased before the
// record named it, so no phantom recording appears.
TEST_F(FormatRecoveryTest, CutAfterTheRecordEntersNoDeletedRecording) {
  fill(1, 2, 2 * kBlockDataSize);
  ASSERT_TRUE(Eraser(rig.v()).DeleteFlashFile(1, {0}).ok());
  const uint32_t dead = Chains(rig.v()).GetFlashWriteableBlock(rig.v().image.reservedBlock() + 1u);
  ASSERT_TRUE(BlockIo::hasSignature(raw(dead).data()) == false);
  ASSERT_EQ(std::string(reinterpret_cast<const char *>(raw(dead).data()), 4), "VEXO");  // the dead recording
  Model before = rig.model();
  Snapshot start = rig.snapshot();

  fs::path file = pc / "new.bin";
  writeFile(file, pattern(3 * kBlockDataSize, 11));
  rig.io.ops.clear();
  ASSERT_TRUE(put(rig, 1, {file}));
  size_t record = 0;
  while (record < rig.io.ops.size() && !rig.io.ops[record].jobRecord) ++record;
  ASSERT_LT(record, rig.io.ops.size());

  rig.restore(start);
  ASSERT_TRUE(rig.reconnect());
  rig.flash().faults().cutAfter = rig.flashOps() + record + 1;
  EXPECT_FALSE(put(rig, 1, {file}));
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.model(), before) << describe(rig.model());
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(FormatRecoveryTest, DamagedOrStaleBackupIsWrittenAgain) {
  fill(1, 2);
  const uint32_t backup = rig.v().image.backupBlock();
  Snapshot good = rig.snapshot();
  std::vector<uint8_t> older = raw(backup);  // before the next write
  fill(1, 1);
  Snapshot newer = rig.snapshot();
  struct Case {
    const char *what;
    std::function<void(std::vector<uint8_t> &)> spoil;
  };
  const Case cases[] = {
      {"erased", [](std::vector<uint8_t> &b) { std::fill(b.begin(), b.end(), 0xFF); }},
      {"wrong check byte", [](std::vector<uint8_t> &b) { b[rawDataOffset(3) + 7] ^= 0x55; }},
      {"an older image", [&](std::vector<uint8_t> &b) { b = older; }},
      {"a job record", [](std::vector<uint8_t> &b) { b[rawSpareOffset(0) + jobrecord::kCode] = 0x41; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    rig.restore(newer);
    std::vector<uint8_t> b = raw(backup);
    c.spoil(b);
    rig.flash().poke(backup, b.data());
    ASSERT_TRUE(rig.reconnect());
    EXPECT_TRUE(rig.session().recovery().backupRewritten);
    EXPECT_EQ(raw(backup), raw(0));
    EXPECT_EQ(rig.fsckText(), "");
    // Block 0 lost in a later cut is then restored from an up-to-date copy.
    std::vector<uint8_t> erased(kRawBlockSize, 0xFF);
    rig.flash().poke(0, erased.data());
    ASSERT_TRUE(rig.reconnect());
    EXPECT_EQ(rig.v().directory.fileCount(1), 3u);
  }
  rig.restore(good);
  ASSERT_TRUE(rig.reconnect());
  EXPECT_FALSE(rig.session().recovery().backupRewritten);
}

}  // namespace
}  // namespace jobtest
