#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "WavFixture.h"
#include "components/waveviews/PeakCache.h"

using components::waveviews::Peak;
using components::waveviews::PeakCache;
using namespace waveviews_test;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void writeBytes(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The side file's trailing CRC-32, recomputed after an edit so that only
// the structural checks stand between a forged file and the views.
void resealCrc(Bytes &b) {
  uint32_t crc = ~0u;
  for (size_t i = 0; i + 4 < b.size(); ++i) {
    crc ^= b[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  crc = ~crc;
  for (int i = 0; i < 4; ++i) b[b.size() - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
}
void put32(Bytes &b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put64(Bytes &b, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Header offsets of the side file.
constexpr size_t kVersionAt = 8, kBaseAt = 12, kChannelsAt = 20, kRateAt = 24, kFramesAt = 44, kLevelsAt = 52,
                 kSizesAt = 56;

// Everything a view reads must come out the same from both caches.
void expectSameAsBuilt(const PeakCache &built, const PeakCache &loaded) {
  EXPECT_TRUE(loaded.finished());
  EXPECT_TRUE(loaded.complete());
  EXPECT_EQ(loaded.result(), PeakCache::Result::Done);
  EXPECT_EQ(loaded.path(), built.path());
  EXPECT_EQ(loaded.frames(), built.frames());
  EXPECT_EQ(loaded.filledFrames(), built.filledFrames());
  EXPECT_EQ(loaded.percent(), built.percent());
  EXPECT_EQ(loaded.channels(), built.channels());
  EXPECT_EQ(loaded.sampleRate(), built.sampleRate());
  ASSERT_EQ(loaded.levelCount(), built.levelCount());
  EXPECT_EQ(loaded.memoryBytes(), built.memoryBytes());
  for (int level = 0; level < built.levelCount(); ++level) {
    for (int64_t i = -1; i * PeakCache::levelFrames(level) <= built.frames() + PeakCache::levelFrames(level); ++i)
      ASSERT_EQ(loaded.entry(level, i), built.entry(level, i)) << "level " << level << " entry " << i;
  }
  const int64_t zooms[] = {1, 3, 100, 255, 256, 300, 1024, 5000, 65536, 65536 * 5};
  for (int64_t fpp : zooms) {
    for (int64_t firstColumn : {int64_t{-2}, int64_t{0}, int64_t{17}, built.frames() / fpp - 3}) {
      SCOPED_TRACE("fpp " + std::to_string(fpp) + " from column " + std::to_string(firstColumn));
      std::vector<Peak> a, b;
      built.columns(firstColumn * fpp, fpp, 40, a);
      loaded.columns(firstColumn * fpp, fpp, 40, b);
      EXPECT_EQ(a, b);
    }
  }
  std::vector<int16_t> a, b;
  EXPECT_EQ(built.samples(built.frames() / 2, 500, a), loaded.samples(built.frames() / 2, 500, b));
  EXPECT_EQ(a, b);
}

class PeakStoreTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const auto &f : files_) fs::remove(f);
  }
  std::string file(const std::string &name, const std::vector<int16_t> &samples, int channels = 1,
                   int rate = 8000) {
    const std::string path = name_(name);
    writeWav(path, samples, channels, rate);
    return path;
  }
  std::string name_(const std::string &name) {
    files_.push_back(tempPath(name));
    return files_.back();
  }
  // A small source with its side file saved beside it.
  void savedPair(std::string &wav, std::string &peaks) {
    wav = file("pair.wav", testSignal(256 * 64 + 5));
    peaks = name_("pair.peaks");
    PeakCache cache;
    ASSERT_EQ(cache.build(wav), PeakCache::Result::Done);
    std::string error;
    ASSERT_TRUE(cache.save(peaks, &error)) << error;
  }
  std::vector<std::string> files_;
};

TEST_F(PeakStoreTest, ALoadedCacheReadsLikeAFreshBuild) {
  struct Source {
    const char *name;
    int64_t frames;
    int channels;
    int rate;
  };
  const Source sources[] = {
      {"blocks and a partial one, mono", 256 * 1500 + 77, 1, 8000},
      {"stereo merges its channels", 256 * 300 + 1, 2, 44100},
      {"less than one block", 100, 1, 11025},
      {"exactly one block", 256, 1, 8000},
      {"empty", 0, 1, 8000},
  };
  for (const Source &s : sources) {
    SCOPED_TRACE(s.name);
    const std::string wav = file("round.wav", testSignal(s.frames, s.channels), s.channels, s.rate);
    const std::string peaks = name_("round.peaks");
    PeakCache built;
    std::string error;
    ASSERT_EQ(built.build(wav, {}, &error), PeakCache::Result::Done) << error;
    ASSERT_TRUE(built.save(peaks, &error)) << error;
    auto loaded = PeakCache::load(peaks, wav, &error);
    ASSERT_TRUE(loaded) << error;
    expectSameAsBuilt(built, *loaded);

    // A loaded cache saves again, over the old file, to the same content.
    const Bytes first = readBytes(peaks);
    ASSERT_TRUE(loaded->save(peaks, &error)) << error;
    EXPECT_EQ(readBytes(peaks), first);
    EXPECT_EQ(fs::file_size(peaks), first.size());
  }
}

TEST_F(PeakStoreTest, AChangedSourceRefusesTheSideFile) {
  struct Change {
    const char *name;
    std::function<void(const std::string &wav)> apply;
  };
  const Change changes[] = {
      {"modification time only",
       [](const std::string &wav) { fs::last_write_time(wav, fs::last_write_time(wav) + std::chrono::seconds(2)); }},
      {"one nanosecond later",
       [](const std::string &wav) { fs::last_write_time(wav, fs::last_write_time(wav) + std::chrono::nanoseconds(1)); }},
      {"size only, time put back",
       [](const std::string &wav) {
         const auto when = fs::last_write_time(wav);
         std::ofstream(wav, std::ios::binary | std::ios::app).put('\0');
         fs::last_write_time(wav, when);
       }},
      {"removed", [](const std::string &wav) { fs::remove(wav); }},
  };
  for (const Change &c : changes) {
    SCOPED_TRACE(c.name);
    std::string wav, peaks;
    savedPair(wav, peaks);
    ASSERT_TRUE(PeakCache::load(peaks, wav));
    c.apply(wav);
    std::string error;
    EXPECT_FALSE(PeakCache::load(peaks, wav, &error));
    EXPECT_FALSE(error.empty());
  }

  std::string wav, peaks;
  savedPair(wav, peaks);

  // A source that changes after its build opened it is not saved with the
  // peaks of its old content.
  PeakCache cache;
  ASSERT_EQ(cache.build(wav), PeakCache::Result::Done);
  fs::last_write_time(wav, fs::last_write_time(wav) + std::chrono::seconds(1));
  const std::string late = name_("late.peaks");
  std::string error;
  EXPECT_FALSE(cache.save(late, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(late));
}

TEST_F(PeakStoreTest, DamagedOrForgedSideFilesRefuseWithoutCrashing) {
  std::string wav, peaks;
  savedPair(wav, peaks);
  const Bytes good = readBytes(peaks);
  // 65, 17, 5, 2, 1 entries; each forged header or size is resealed so that
  // the structural checks alone must catch it.
  ASSERT_EQ(good[kLevelsAt], 5);
  const size_t bodyAt = kSizesAt + 5 * 8;
  ASSERT_EQ(good.size(), bodyAt + (65 + 17 + 5 + 2 + 1) * 4 + 4);

  struct Forgery {
    const char *name;
    std::function<void(Bytes &)> apply;
  };
  const Forgery forgeries[] = {
      {"empty file", [](Bytes &b) { b.clear(); }},
      {"half a header", [](Bytes &b) { b.resize(30); }},
      {"header only", [](Bytes &b) { b.resize(kSizesAt); }},
      {"cut in the level sizes", [](Bytes &b) { b.resize(kSizesAt + 12); }},
      {"cut in the peaks", [&](Bytes &b) { b.resize(bodyAt + 100); }},
      {"last byte missing", [](Bytes &b) { b.pop_back(); }},
      {"a byte too many", [](Bytes &b) { b.push_back(0); }},
      {"text instead", [&](Bytes &b) { b.assign(good.size(), 'x'); }},
      {"wrong magic", [](Bytes &b) { b[1] ^= 0x20; resealCrc(b); }},
      {"newer version", [](Bytes &b) { put32(b, kVersionAt, 2); resealCrc(b); }},
      {"another base block", [](Bytes &b) { put32(b, kBaseAt, 512); resealCrc(b); }},
      {"no channels", [](Bytes &b) { b[kChannelsAt] = 0; resealCrc(b); }},
      {"no sample rate", [](Bytes &b) { put32(b, kRateAt, 0); resealCrc(b); }},
      {"billions of levels", [](Bytes &b) { put32(b, kLevelsAt, 0xFFFFFFFFu); resealCrc(b); }},
      {"more levels than sizes", [](Bytes &b) { put32(b, kLevelsAt, 30); resealCrc(b); }},
      {"a level of 2^62 entries", [](Bytes &b) { put64(b, kSizesAt, uint64_t{1} << 62); resealCrc(b); }},
      {"entries wrapping the sum", [](Bytes &b) { put64(b, kSizesAt + 8, ~uint64_t{0} - 10); resealCrc(b); }},
      {"sizes whose byte count wraps to nothing", [](Bytes &b) {
         // 3 x 4^30, 3 x 4^29 ... 3, 1: a proper chain of 2^62 entries,
         // 2^64 bytes, which a 64-bit sum sees as none.
         b.resize(kSizesAt);
         put32(b, kLevelsAt, 32);
         put64(b, kFramesAt, 0);
         for (int e = 60; e >= 0; e -= 2) {
           b.resize(b.size() + 8);
           put64(b, b.size() - 8, uint64_t{3} << e);
         }
         b.resize(b.size() + 8);
         put64(b, b.size() - 8, 1);
         b.resize(b.size() + 4);
         resealCrc(b);
       }},
      {"levels not fourfold, same total", [](Bytes &b) {
         put64(b, kSizesAt, 66);
         put64(b, kSizesAt + 8, 16);
         resealCrc(b);
       }},
      {"a level of no entries", [](Bytes &b) {
         put32(b, kLevelsAt, 6);
         b.insert(b.begin() + kSizesAt + 40, 8, 0);
         resealCrc(b);
       }},
      {"more frames than the levels hold", [](Bytes &b) { put64(b, kFramesAt, 66 * 256); resealCrc(b); }},
      {"frames without levels", [&](Bytes &b) {
         put32(b, kLevelsAt, 0);
         b.resize(kSizesAt + 4);
         resealCrc(b);
       }},
      {"a flipped peak", [&](Bytes &b) { b[bodyAt + 40] ^= 0x01; }},
      {"a flipped checksum", [](Bytes &b) { b.back() ^= 0x80; }},
  };
  for (const Forgery &f : forgeries) {
    SCOPED_TRACE(f.name);
    Bytes b = good;
    f.apply(b);
    writeBytes(peaks, b);
    std::string error;
    EXPECT_FALSE(PeakCache::load(peaks, wav, &error));
    EXPECT_FALSE(error.empty());
  }
  writeBytes(peaks, good);
  EXPECT_TRUE(PeakCache::load(peaks, wav));
  EXPECT_FALSE(PeakCache::load(tempPath("missing.peaks"), wav));
  EXPECT_FALSE(PeakCache::load(fs::temp_directory_path().string(), wav));  // a folder
}

TEST_F(PeakStoreTest, OnlyACompleteBuildSaves) {
  const std::string big = file("big.wav", testSignal(8'000'000));
  const std::string peaks = name_("unfinished.peaks");
  const std::string junk = name_("junk.wav");
  writeBytes(junk, Bytes(200, 'j'));

  struct Case {
    const char *name;
    std::function<void(PeakCache &)> prepare;
  };
  const Case cases[] = {
      {"never built", [](PeakCache &) {}},
      {"cancelled", [&](PeakCache &c) {
         int calls = 0;
         ASSERT_EQ(c.build(big, [&](int) { return ++calls < 2; }, nullptr, 1), PeakCache::Result::Cancelled);
       }},
      {"still building", [&](PeakCache &c) { ASSERT_TRUE(c.start(big)); }},
      {"failed", [&](PeakCache &c) { ASSERT_EQ(c.build(junk), PeakCache::Result::Failed); }},
      {"cleared after a build", [&](PeakCache &c) {
         ASSERT_EQ(c.build(big), PeakCache::Result::Done);
         c.clear();
       }},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.name);
    PeakCache cache;
    k.prepare(cache);
    std::string error;
    EXPECT_FALSE(cache.save(peaks, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(peaks));
  }

  // A side file that cannot be written leaves nothing behind and says so.
  PeakCache cache;
  ASSERT_EQ(cache.build(big), PeakCache::Result::Done);
  std::string error;
  EXPECT_FALSE(cache.save(tempPath("no-such-folder") + "/x.peaks", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
