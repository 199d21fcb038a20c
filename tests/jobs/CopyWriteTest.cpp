// Writing PC files to the recorder and copying recordings back.
#include <gtest/gtest.h>

#include "Rig.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/jobs/Upload.h"
#include "recorder/jobs/Writer.h"
#include "components/mpeg/MpegInfo.h"

namespace jobtest {
namespace {

namespace fs = std::filesystem;
using namespace recorder;
using namespace recorder::jobs;

class CopyWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.formatted(); }
  Rig rig;
  TempDir pc;
};

// A PC file written to the recorder comes back in its own form, under the
// name and extension the recorder keeps.
TEST_F(CopyWriteTest, FilesComeBackAsTheyWere) {
  struct Case {
    const char *file;
    size_t bytes;   // data bytes (after the header for a voice file)
    bool voice;     // written as a voice file
    const char *pcName;
    uint32_t pages;
  };
  const Case cases[] = {
      {"Note.DVG", 0, true, "Note.DVG", 1},                  // one page: the header alone
      {"talk.dvg", 3 * kBlockDataSize + 4321, true, "talk.DVG", 196},
      {"data.bin", 70000, false, "data.BIN", 36},
      {"fake.dvg", 5000, false, "fake.DVG", 4},            // ".dvg" without a voice header
      {"a.c", 10, false, "a", 2},                          // a one-character extension is not kept
      {"noext", 2048, false, "noext", 2},
  };
  int folder = 1;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    fs::path file = pc / c.file;
    std::vector<uint8_t> bytes = c.voice ? voiceFile(file, pattern(c.bytes, 7)) : pattern(c.bytes, 9);
    if (!c.voice) writeFile(file, bytes);
    ASSERT_TRUE(put(rig, folder, {file}));
    const auto &records = rig.v().directory.records(folder);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().pages, c.pages);
    EXPECT_EQ(records.back().mode, c.voice ? "SP" : "--");

    TempDir back;
    Upload upload(rig.v());
    ASSERT_TRUE(upload.UploadFlashFileList(folder, {static_cast<int>(records.size()) - 1}, back.path()).ok());
    if (c.voice) {
      // The recorder keeps the extension field as "DVG".
      std::fill(bytes.begin() + 240, bytes.begin() + 256, 0xFF);
      std::copy_n("DVG", 3, bytes.begin() + 240);
    }
    EXPECT_EQ(readFile(back / c.pcName), bytes);
  }
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(CopyWriteTest, GenericHeaderCarriesTimeNameAndExtension) {
  fs::path file = pc / "Memo.txt";
  writeFile(file, pattern(100, 1));
  uint8_t first[256];
  std::vector<uint8_t> bytes = readFile(file);
  std::copy(bytes.begin(), bytes.end(), first);
  FileHeader h = makeFileHeader(file, first, 100, voice::HeaderTime{2031, 12, 24, 23, 59, 58});
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(h.bytes.data()), 4), "VEXO");
  EXPECT_EQ(h.bytes[4], 0);
  const uint8_t time[] = {31, 12, 24, 23, 59, 58};
  EXPECT_TRUE(std::equal(time, time + 6, h.bytes.begin() + 5));
  EXPECT_EQ(h.bytes[32], 0xFF);
  for (int i = 48; i < 52; ++i) EXPECT_EQ(h.bytes[i], 0x00) << i;  // no audio info for a text file
  EXPECT_EQ(voice::DirectoryFieldText(h.bytes.data() + 112, 128), "Memo");
  EXPECT_EQ(voice::DirectoryFieldText(h.bytes.data() + 240, 16), "TXT");
  EXPECT_EQ(h.mode, 0xFF);
  EXPECT_FALSE(h.voice);
}

TEST_F(CopyWriteTest, BlockDataSizeLessHeaderPageFillsOneBlockOneByteMoreTwo) {
  const int before = Chains(rig.v()).GetFlashAvaliableBlockCount();
  fs::path one = pc / "one.bin", two = pc / "two.bin";
  writeFile(one, pattern(kBlockDataSize - kPageSize, 1));
  writeFile(two, pattern(kBlockDataSize - kPageSize + 1, 2));
  ASSERT_TRUE(put(rig, 2, {one, two}));
  const auto &records = rig.v().directory.records(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].pages, 64u);
  EXPECT_EQ(records[1].pages, 65u);
  EXPECT_EQ(rig.v().image.blocksUsed(2), 3u);
  EXPECT_EQ(Chains(rig.v()).GetFlashAvaliableBlockCount(), before - 3);
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.fsckText(), "");
  std::vector<uint8_t> back;
  ASSERT_TRUE(readRecording(rig.v(), 2, 2, back));
  EXPECT_EQ(back, readFile(two));
}

TEST_F(CopyWriteTest, FullFolderRefusesTheNextFileBeforeTouchingTheFlash) {
  fs::path file = pc / "x.bin";
  writeFile(file, {1, 2, 3});
  std::vector<fs::path> files(99, file);
  ASSERT_TRUE(put(rig, 3, files));
  ASSERT_EQ(rig.v().image.fileCount(3), 99u);
  Snapshot before = rig.snapshot();
  uint64_t ops = rig.flashOps();
  EXPECT_FALSE(put(rig, 3, {file}));
  EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg12"));
  EXPECT_EQ(rig.flashOps(), ops);
  EXPECT_TRUE(sameFlash(before, rig.snapshot()));
}

TEST_F(CopyWriteTest, FolderGroupsRefuseForeignFilesWithOneMessage) {
  fs::path mp3 = makeMp3(pc / "tone.mp3", 1.5);
  ASSERT_FALSE(mp3.empty()) << "sox or lame failed to make the MP3 fixture";
  fs::path copy1 = pc / "t1.MP3", copy2 = pc / "t2.mp3", wav = pc / "w.wav", wav2 = pc / "v.WAV";
  fs::copy_file(mp3, copy1);
  fs::copy_file(mp3, copy2);
  writeFile(wav, pattern(3000, 3));
  writeFile(wav2, pattern(3000, 4));
  fs::path fake = pc / "fake.mp3";
  writeFile(fake, std::vector<uint8_t>(5000, 0x00));

  struct Case {
    int folder;
    std::vector<fs::path> files;
    const char *message;
    int written;
  };
  const Case cases[] = {
      {1, {mp3, copy1, copy2}, "FM_text_pen_errmsg15", 0},
      {1, {mp3, wav, copy1}, "FM_text_pen_errmsg15", 1},
      {5, {wav, wav2}, "FM_text_pen_errmsg16", 0},
      {6, {wav, mp3, wav2}, "FM_text_pen_errmsg16", 1},
      {7, {fake}, "FM_text_system_errmsg13", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.folder);
    rig.ui.messages.clear();
    rig.ui.prefixes.clear();
    size_t before = rig.v().directory.fileCount(c.folder);
    Writer writer(rig.v(), &rig.panel());
    Outcome o = writer.OnBtnFileToFlashClick(c.folder, c.files);
    EXPECT_EQ(o.status, Status::Refused);
    EXPECT_EQ(std::count_if(rig.ui.messages.begin(), rig.ui.messages.end(),
                            [&](auto &m) { return m.textKey == c.message; }),
              1);
    EXPECT_EQ(rig.v().directory.fileCount(c.folder), before + c.written);
  }
  EXPECT_EQ(rig.ui.prefixes, std::vector<std::string>{"[fake.mp3] : "});
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(CopyWriteTest, Mp3HeaderCarriesRateAndDuration) {
  fs::path mp3 = makeMp3(pc / "Song.mp3", 2.2);
  ASSERT_FALSE(mp3.empty()) << "sox or lame failed to make the MP3 fixture";
  ASSERT_TRUE(put(rig, 5, {mp3}));
  const tFLASHFILEINFO &r = rig.v().directory.records(5).back();
  EXPECT_EQ(r.name, "Song");
  EXPECT_EQ(r.ext, "MP3");
  auto raw = allocRawBlock();
  ASSERT_EQ(rig.io.readBlock(raw.get(), r.firstBlock), 1);
  const uint8_t *h = raw.get();
  uint8_t rate = 0, hours = 0, minutes = 0, seconds = 0;
  ASSERT_TRUE(components::SetDownMpegFileParams(mp3.string(), rate, hours, minutes, seconds));
  EXPECT_EQ(h[48], rate);
  EXPECT_GT(h[48], 0);
  EXPECT_EQ(h[49], 0);
  EXPECT_EQ(h[50], 0);
  EXPECT_EQ(h[51], 3);  // 2.2 s rounded up
  std::vector<uint8_t> back;
  ASSERT_TRUE(readRecording(rig.v(), 5, 1, back));
  EXPECT_EQ(back, readFile(mp3));
}

// Cancelling during the third block erases the three written blocks and
// leaves the folder, the image and the index as they were.
TEST_F(CopyWriteTest, CancelInTheThirdBlockLeavesTheFolderAsItWas) {
  fs::path file = pc / "long.bin";
  writeFile(file, pattern(4 * kBlockDataSize, 5));
  fs::path small = pc / "small.bin";
  writeFile(small, pattern(10, 6));
  ASSERT_TRUE(put(rig, 1, {small}));
  SystemImage image = rig.v().image;
  rig.io.ops.clear();
  rig.ui.cancelAtPump = rig.ui.pumps + 3;
  Writer writer(rig.v(), &rig.panel());
  EXPECT_EQ(writer.OnBtnFileToFlashClick(1, {file}).status, Status::Cancelled);
  EXPECT_TRUE(rig.ui.showed("FM_text_pen_errmsg6") == false);
  std::vector<uint32_t> written;
  for (auto &op : rig.io.ops)
    if (op.kind == 'W' && op.block != 0 && op.block != image.backupBlock()) written.push_back(op.block);
  ASSERT_EQ(written.size(), 3u);
  for (uint32_t b : written) {
    auto raw = rig.flash().peek(b);
    EXPECT_TRUE(std::all_of(raw.begin(), raw.end(), [](uint8_t x) { return x == 0xFF; })) << b;
  }
  EXPECT_EQ(rig.v().image.bytes, image.bytes);
  ASSERT_TRUE(rig.reconnect());
  EXPECT_EQ(rig.v().directory.fileCount(1), 1u);
  EXPECT_EQ(rig.fsckText(), "");
}

TEST_F(CopyWriteTest, ExistingPcFileIsReplacedOnlyAfterYes) {
  fs::path file = pc / "rec.bin";
  writeFile(file, pattern(3000, 1));
  ASSERT_TRUE(put(rig, 1, {file}));
  for (int answer : {components::kResultNo, components::kResultYes}) {
    SCOPED_TRACE(answer);
    TempDir back;
    writeFile(back / "rec.BIN", {9, 9, 9});
    rig.ui.answers = {answer};
    rig.ui.prefixes.clear();
    Upload upload(rig.v());
    EXPECT_TRUE(upload.UploadFlashFileList(1, {0}, back.path()).ok());
    EXPECT_EQ(rig.ui.prefixes, std::vector<std::string>{"rec.BIN : "});
    std::vector<uint8_t> kept{9, 9, 9};
    EXPECT_EQ(readFile(back / "rec.BIN"), answer == components::kResultYes ? readFile(file) : kept);
    EXPECT_EQ(upload.skipped(), answer == components::kResultYes ? 0 : 1);
  }
}

TEST_F(CopyWriteTest, TwoRecordingsOfOneNameAskBeforeTheSecondReplacesTheFirst) {
  fs::path a = pc / "same.bin";
  writeFile(a, pattern(100, 1));
  ASSERT_TRUE(put(rig, 1, {a}));
  writeFile(a, pattern(200, 2));
  ASSERT_TRUE(put(rig, 1, {a}));
  TempDir back;
  rig.ui.answers = {components::kResultNo};
  rig.ui.prefixes.clear();
  Upload upload(rig.v());
  EXPECT_TRUE(upload.UploadFlashFileList(1, {0, 1}, back.path()).ok());
  // The last row is copied first; the first row then finds its name taken.
  EXPECT_EQ(rig.ui.prefixes, std::vector<std::string>{"same.BIN : "});
  EXPECT_EQ(readFile(back / "same.BIN"), pattern(200, 2));
}

TEST_F(CopyWriteTest, CancelInTheSecondBlockDeletesOnlyThatFile) {
  fs::path a = pc / "a.bin", b = pc / "b.bin";
  writeFile(a, pattern(3 * kBlockDataSize - 5000, 1));
  writeFile(b, pattern(3 * kBlockDataSize - 5000, 2));
  ASSERT_TRUE(put(rig, 1, {a, b}));
  TempDir back;
  // Row 1 (b) is copied first in three blocks; then a's second block.
  rig.ui.cancelAtPump = rig.ui.pumps + 3 + 2;
  Upload upload(rig.v());
  EXPECT_EQ(upload.UploadFlashFileList(1, {0, 1}, back.path()).status, Status::Cancelled);
  EXPECT_EQ(readFile(back / "b.BIN"), readFile(b));
  EXPECT_FALSE(fs::exists(back / "a.BIN"));
}

// A copy that stops part-way (a damaged block, a cancel, a pulled cable)
// leaves the PC folder exactly as it was: no partial file under the
// recording's name, no temporary file, an older file of that name intact.
TEST_F(CopyWriteTest, ACopyThatStopsLeavesThePcFolderAsItWas) {
  fs::path file = pc / "rec.bin";
  writeFile(file, pattern(3 * kBlockDataSize, 1));
  ASSERT_TRUE(put(rig, 1, {file}));
  const uint32_t second = rig.v().image.mapEntry(rig.v().image.entry(1, 0).firstBlock);
  enum Stop { Damaged, Cancel, Unplugged };
  for (Stop stop : {Damaged, Cancel, Unplugged}) {
    for (bool existing : {false, true}) {
      SCOPED_TRACE(testing::Message() << "stop " << stop << (existing ? ", over an older file" : ""));
      ASSERT_TRUE(rig.reconnect());
      TempDir back;
      if (existing) writeFile(back / "rec.BIN", {1, 2, 3});
      rig.ui.answers = {components::kResultYes};
      if (stop == Damaged) rig.flash().faults().damagedReads[second] = 16;
      if (stop == Cancel) rig.ui.cancelAtPump = rig.ui.pumps + 2;
      const auto poll = rig.ui.onPump;
      if (stop == Unplugged)
        rig.ui.onPump = [&] {
          rig.io.mem.detach();
          poll();
        };
      Outcome o = Upload(rig.v()).UploadFlashFileList(1, {0}, back.path());
      rig.ui.onPump = poll;
      rig.ui.cancelAtPump = 0;
      rig.io.mem.attach();
      EXPECT_FALSE(o.ok());
      std::vector<fs::path> left;
      for (auto &entry : fs::directory_iterator(back.path())) left.push_back(entry.path().filename());
      EXPECT_EQ(left, existing ? std::vector<fs::path>{"rec.BIN"} : std::vector<fs::path>{});
      if (existing) {
        EXPECT_EQ(readFile(back / "rec.BIN"), (std::vector<uint8_t>{1, 2, 3}));
      }
    }
  }
}

TEST(PcFileName, StaysInsideTheTargetFolder) {
  struct Case {
    std::string name, ext, pc;
  };
  const Case cases[] = {
      {"Talk", "DVG", "Talk.DVG"},
      {"Talk  ", std::string("DVG\0\0", 5), "Talk.DVG"},
      {"", "", "_"},
      {"..", "", "_.."},
      {"../../etc/passwd", "", ".._.._etc_passwd"},
      {"a/b", "M/P", "a_b.M_P"},
  };
  for (const Case &c : cases) {
    tFLASHFILEINFO r;
    r.name = c.name;
    r.ext = c.ext;
    EXPECT_EQ(pcFileName(r), c.pc) << c.name;
  }
}

}  // namespace
}  // namespace jobtest
