#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "WavFixture.h"
#include "components/waveviews/PeakCache.h"

using components::waveviews::Peak;
using components::waveviews::PeakCache;
using namespace waveviews_test;

namespace {

// What a column shows, by a direct scan: from 256 frames per pixel on, the
// base blocks the column touches; below that, exactly its frames.
Peak scan(const std::vector<int16_t> &samples, int channels, int64_t a, int64_t b, int64_t fpp) {
  const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
  a = std::max<int64_t>(0, a);
  b = std::min(frames, b);
  if (a >= b) return {};
  if (fpp >= PeakCache::kBaseFrames) {
    a = a / PeakCache::kBaseFrames * PeakCache::kBaseFrames;
    b = std::min(frames, (b + PeakCache::kBaseFrames - 1) / PeakCache::kBaseFrames * PeakCache::kBaseFrames);
  }
  Peak p;
  if (fpp < PeakCache::kBaseFrames) {
    // Fine zooms read frames with their channels averaged.
    for (int64_t f = a; f < b; ++f) {
      int sum = 0;
      for (int c = 0; c < channels; ++c) sum += samples[static_cast<size_t>(f * channels + c)];
      p.add(static_cast<int16_t>(sum / channels));
    }
  } else {
    for (int64_t i = a * channels; i < b * channels; ++i) p.add(samples[static_cast<size_t>(i)]);
  }
  return p;
}

class PeakCacheTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const auto &f : files_) std::filesystem::remove(f);
  }
  std::string file(const std::string &name, const std::vector<int16_t> &samples, int channels = 1) {
    files_.push_back(tempPath(name));
    writeWav(files_.back(), samples, channels);
    return files_.back();
  }
  std::vector<std::string> files_;
};

TEST_F(PeakCacheTest, ColumnsMatchADirectScanAtEveryZoom) {
  // Blocks and a partial last block; stereo merges its channels.
  for (int channels : {1, 2}) {
    const int64_t frames = 256 * 1500 + 77;
    const auto samples = testSignal(frames, channels);
    PeakCache cache;
    std::string error;
    ASSERT_EQ(cache.build(file("scan.wav", samples, channels), {}, &error), PeakCache::Result::Done) << error;
    ASSERT_EQ(cache.frames(), frames);
    ASSERT_EQ(cache.filledFrames(), frames);
    EXPECT_EQ(cache.channels(), channels);
    EXPECT_GE(cache.levelCount(), 5);

    struct Zoom {
      int64_t fpp;
      int64_t firstColumn;
      int count;
    };
    const Zoom zooms[] = {{1, 0, 50},        {7, 33, 400},     {100, 3830, 20},  {255, 2, 300},
                          {256, 0, 1600},    {300, 11, 900},   {1000, 380, 30},  {1024, 0, 400},
                          {4096, 90, 10},    {5000, 70, 12},   {65536, 0, 7},    {65536 * 3, 1, 2},
                          {777, -3, 10},     {257, 1490, 20}};
    for (const Zoom &z : zooms) {
      SCOPED_TRACE("fpp " + std::to_string(z.fpp) + " channels " + std::to_string(channels));
      std::vector<Peak> got;
      const int64_t first = z.firstColumn * z.fpp;
      cache.columns(first, z.fpp, z.count, got);
      ASSERT_EQ(got.size(), static_cast<size_t>(z.count));
      for (int c = 0; c < z.count; ++c) {
        const int64_t a = first + c * z.fpp;
        EXPECT_EQ(got[static_cast<size_t>(c)], scan(samples, channels, a, a + z.fpp, z.fpp)) << "column " << c;
      }
    }
  }
}

TEST_F(PeakCacheTest, LevelsAreFourfoldSummaries) {
  const auto samples = testSignal(256 * 64 + 5);
  PeakCache cache;
  ASSERT_EQ(cache.build(file("levels.wav", samples)), PeakCache::Result::Done);
  ASSERT_EQ(cache.levelCount(), 5);  // 65, 17, 5, 2, 1 entries
  for (int level = 1; level < cache.levelCount(); ++level) {
    for (int64_t i = 0; i * PeakCache::levelFrames(level) < cache.frames(); ++i) {
      Peak expected;
      for (int64_t j = 4 * i; j < 4 * i + 4; ++j) expected.add(cache.entry(level - 1, j));
      EXPECT_EQ(cache.entry(level, i), expected) << level << "/" << i;
    }
  }
  EXPECT_EQ(PeakCache::levelFor(255), -1);
  EXPECT_EQ(PeakCache::levelFor(256), 0);
  EXPECT_EQ(PeakCache::levelFor(1023), 0);
  EXPECT_EQ(PeakCache::levelFor(1024), 1);
  EXPECT_EQ(PeakCache::levelFor(65535), 3);
  EXPECT_EQ(PeakCache::levelFor(70000), 4);
}

TEST_F(PeakCacheTest, CancelStopsTheBuildWithWhatIsDoneKept) {
  const auto samples = testSignal(8'000'000);
  const std::string path = file("cancel.wav", samples);
  PeakCache cache;
  int calls = 0;
  const auto result = cache.build(path, [&](int) { return ++calls < 2; }, nullptr, 1);
  EXPECT_EQ(result, PeakCache::Result::Cancelled);
  EXPECT_LT(cache.filledFrames(), cache.frames());
  EXPECT_FALSE(cache.complete());
  // Columns past what was filled stay empty; those before it are right.
  std::vector<Peak> got;
  cache.columns(cache.frames() - 4096, 4096, 1, got);
  EXPECT_TRUE(got[0].empty());
  const int64_t done = cache.filledFrames() / 4096;
  if (done > 0) {
    cache.columns(0, 4096, static_cast<int>(done), got);
    EXPECT_EQ(got.back(), scan(samples, 1, (done - 1) * 4096, done * 4096, 4096));
  }

  // A build started in the background stops on cancel() too, and a new
  // build afterwards completes.
  ASSERT_TRUE(cache.start(path));
  cache.cancel();
  EXPECT_EQ(cache.wait(), PeakCache::Result::Cancelled);
  EXPECT_EQ(cache.build(path), PeakCache::Result::Done);
  EXPECT_EQ(cache.filledFrames(), cache.frames());
}

TEST_F(PeakCacheTest, ProgressRisesToAHundred) {
  PeakCache cache;
  std::vector<int> seen;
  ASSERT_EQ(cache.build(file("progress.wav", testSignal(3'000'000)),
                        [&](int p) {
                          seen.push_back(p);
                          return true;
                        },
                        nullptr, 1),
            PeakCache::Result::Done);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
}

TEST_F(PeakCacheTest, EmptyAndUnreadableFiles) {
  PeakCache cache;
  ASSERT_EQ(cache.build(file("empty.wav", {})), PeakCache::Result::Done);
  EXPECT_EQ(cache.frames(), 0);
  EXPECT_EQ(cache.levelCount(), 0);
  EXPECT_EQ(cache.percent(), 100);
  std::vector<Peak> got;
  cache.columns(0, 256, 10, got);
  ASSERT_EQ(got.size(), 10u);
  EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](Peak p) { return p.empty(); }));
  std::vector<int16_t> frames;
  EXPECT_EQ(cache.samples(0, 10, frames), 0u);

  std::string error;
  EXPECT_EQ(cache.build(tempPath("missing.wav"), {}, &error), PeakCache::Result::Failed);
  EXPECT_FALSE(error.empty());
  files_.push_back(tempPath("junk.wav"));
  std::FILE *f = std::fopen(files_.back().c_str(), "wb");
  std::fputs("this is not a wave file at all", f);
  std::fclose(f);
  error.clear();
  EXPECT_EQ(cache.build(files_.back(), {}, &error), PeakCache::Result::Failed);
  EXPECT_FALSE(error.empty());
}

TEST_F(PeakCacheTest, MemoryIsAFractionOfTheAudio) {
  const int64_t frames = 2'000'000;
  PeakCache cache;
  ASSERT_EQ(cache.build(file("memory.wav", testSignal(frames))), PeakCache::Result::Done);
  // 4 bytes per 256 frames and a third more for the levels above: about
  // 1 % of the 16-bit audio.
  EXPECT_LT(cache.memoryBytes(), static_cast<size_t>(frames * 2 / 64));
  std::vector<int16_t> samples;
  EXPECT_EQ(cache.samples(frames - 10, 100, samples), 10u);
}

}  // namespace
