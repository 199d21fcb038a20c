// bench_index [DIR]: builds a full 256 MB chip image (8 folders of 99
// recordings, every block in use) in DIR (default: the temp folder), then
// times the connection sequence with the index read through the I/O library
// against plain reads of the same blocks from the image file, in the same run.
// Prints the wall times, the flash reads counted and the ratio (goal: <= 1.5).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageBuilder.h"
#include "TestRecorder.h"
#include "components/ScriptedJobUi.h"
#include "recorder/DeviceLink.h"
#include "recorder/Layout.h"
#include "recorder/RecorderPanel.h"

using namespace recorder;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kBlocks = 2048;
constexpr int kFiles = 99;
constexpr int kRounds = 7;

// The library's I/O with every read counted and its block remembered.
class CountingIo : public FlashIo {
 public:
  explicit CountingIo(FlashIo &inner) : inner_(inner) {}
  uint8_t initialize() override { return inner_.initialize(); }
  Q417Handle deviceHandle() override { return inner_.deviceHandle(); }
  void setDeviceHandle(Q417Handle h) override { inner_.setDeviceHandle(h); }
  Q417Handle registerNotification(Q417Window *w) override { return inner_.registerNotification(w); }
  uint16_t flashId() override { return inner_.flashId(); }
  int readBlock(uint8_t *raw, uint32_t block) override {
    blocks.push_back(block);
    return inner_.readBlock(raw, block);
  }
  int eraseBlock(uint32_t block) override { return ++erases, inner_.eraseBlock(block); }
  int writeBlock(uint8_t *raw, uint32_t block) override { return ++writes, inner_.writeBlock(raw, block); }
  std::vector<uint32_t> blocks;
  int erases = 0, writes = 0;

 private:
  FlashIo &inner_;
};

struct QuietLinkView : DeviceLinkView {
  bool timer = false;
  void setAutoConnectTimer(bool running) override { timer = running; }
  bool autoConnectTimerRunning() const override { return timer; }
  void showIndicators(bool, bool) override {}
  void enableRecorderPanel(bool) override {}
  void enableMainWindow(bool) override {}
  void showCapacity(const std::string &) override {}
  void focusRecorderFolder(int) override {}
  void collapseRecorderFolders() override {}
  void closeActiveModal(int) override {}
};

struct QuietPanelView : RecorderPanelView {
  int rows = 0;
  void rebuildTree(const std::vector<std::string> &) override {}
  void setFolderNodeText(int, const std::string &) override {}
  void selectFolderNode(int) override {}
  void setFileRows(const std::vector<FileRow> &r) override { rows = static_cast<int>(r.size()); }
  void appendFileRow(const FileRow &) override { ++rows; }
  void removeFileRow(int) override { --rows; }
  int fileRowCount() const override { return rows; }
  void setTotals(const std::string &, int) override {}
};

void buildImage(const std::string &path) {
  std::string error;
  if (!q417io::ImageStorage::create(path, kBlocks, &error)) {
    std::fprintf(stderr, "bench_index: %s\n", error.c_str());
    std::exit(1);
  }
  q417io::Flash flash(q417io::ImageStorage::open(path, &error));
  rectest::TestRecorder recorder(flash);
  rectest::ImageBuilder builder(recorder.volume);
  builder.format();
  // 792 recordings over the 2042 blocks a file may use: 458 of three blocks,
  // 334 of two. Every block of the chip ends up in use.
  int n = 0;
  for (int folder = 1; folder <= 8; ++folder) {
    for (int i = 0; i < kFiles; ++i, ++n) {
      rectest::FileSpec spec;
      spec.folder = folder;
      spec.name = "REC" + std::to_string(n);
      spec.ext = folder <= 4 ? "DVG" : "MP3";
      spec.mode = folder <= 4 ? 0xAA : 0xFF;
      uint32_t blocks = n < 458 ? 3 : 2;
      spec.data = rectest::ImageBuilder::pattern(blocks * kBlockDataSize - kPageSize - 1000, n);
      builder.add(spec);
    }
  }
  builder.commit();
}

// The connection sequence of the application: identify, index, show folder 1.
double connectAndIndex(CountingIo &io, size_t &reads) {
  components::ScriptedJobUi ui;
  QuietLinkView linkView;
  DeviceLink device(io, linkView, ui, [](Q417Handle h) { ::close(static_cast<int>(h)); });
  FlashVolume volume(device.link(), ui);
  QuietPanelView panelView;
  RecorderPanel panel(volume, panelView);
  device.setHooks(&panel);
  io.blocks.clear();
  auto t0 = Clock::now();
  device.StartLink(nullptr);
  device.OnTimUSBAutoConnectTimer();
  auto t1 = Clock::now();
  if (!device.link().indexed || panelView.rows != kFiles) {
    std::fprintf(stderr, "bench_index: the index did not load (%d rows)\n", panelView.rows);
    std::exit(1);
  }
  reads = io.blocks.size();
  device.Shutdown();
  return std::chrono::duration<double>(t1 - t0).count();
}

double plainReads(const std::string &path, const std::vector<uint32_t> &blocks) {
  std::vector<uint8_t> raw(kRawBlockSize);
  auto t0 = Clock::now();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) std::exit(1);
  for (uint32_t b : blocks)
    if (::pread(fd, raw.data(), raw.size(), static_cast<off_t>(b) * kRawBlockSize) != static_cast<ssize_t>(raw.size()))
      std::exit(1);
  ::close(fd);
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  namespace fs = std::filesystem;
  fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  fs::path image = dir / ("bench-index-" + std::to_string(::getpid()) + ".img");
  auto tb = Clock::now();
  buildImage(image.string());
  double buildSeconds = std::chrono::duration<double>(Clock::now() - tb).count();
  ::setenv("Q417_IMAGE", image.c_str(), 1);

  auto libraryIo = makeLibraryFlashIo();
  CountingIo io(*libraryIo);
  size_t reads = 0;
  std::vector<double> indexTimes, plainTimes;
  connectAndIndex(io, reads);  // warms the page cache for both
  std::vector<uint32_t> blocks = io.blocks;
  for (int round = 0; round < kRounds; ++round) {
    plainTimes.push_back(plainReads(image.string(), blocks));
    indexTimes.push_back(connectAndIndex(io, reads));
  }
  fs::remove(image);

  double index = median(indexTimes), plain = median(plainTimes);
  std::printf("index: 256 MB image, 8 folders x %d recordings (image built in %.1f s)\n", kFiles, buildSeconds);
  std::printf("  connect and index (median of %d): %8.2f ms, %zu flash reads, %d erases, %d writes\n", kRounds,
              index * 1000, reads, io.erases, io.writes);
  std::printf("  plain reads of the same blocks:   %8.2f ms (%zu x %u bytes with pread)\n", plain * 1000,
              blocks.size(), kRawBlockSize);
  std::printf("  ratio index / plain reads: %.2f (goal: at most 1.5)\n", index / plain);
  return 0;
}
