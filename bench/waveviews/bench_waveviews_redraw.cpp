// Repainting a 1920-pixel waveform view offscreen over a two-hour 8 kHz
// file (written here): while scrolling at several zooms (a screenful per
// second in 60 steps) and while zooming (a new zoom every paint), with a
// selection, cuts, markers and the locator drawn on top. The peer, in the
// same run, is what a view without the cache does for one paint: scan the
// visible frames from the file for each column's min/max. Prints the time
// per paint, paints per second (goal: at least 60), the ratio to the peer
// and the cache's memory per hour.
#include <QApplication>
#include <QImage>
#include <cstdio>
#include <filesystem>

#include "BenchWave.h"
#include "components/wavefile/WaveDecoder.h"
#include "components/waveviews/WaveformView.h"

using namespace components::waveviews;

namespace {

constexpr int kWidth = 1920, kHeight = 200;

// One paint without a cache: the visible frames read and summarised per column.
double scanPaintMs(const std::string &path, int64_t start, int64_t span) {
  components::WaveDecoder decoder;
  if (!decoder.open(path)) return -1;
  const double t0 = benchwave::nowMs();
  const FrameMapping m(start, start + span, kWidth);
  decoder.seek(static_cast<uint64_t>(m.origin()));
  std::vector<int16_t> buffer(65536);
  std::vector<Peak> columns(kWidth);
  int64_t frame = m.origin(), end = m.origin() + m.framesPerPixel() * kWidth;
  while (frame < end) {
    const size_t got = decoder.read(buffer.data(), static_cast<size_t>(std::min<int64_t>(65536, end - frame)));
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) columns[static_cast<size_t>((frame + static_cast<int64_t>(i) - m.origin()) / m.framesPerPixel())].add(buffer[i]);
    frame += static_cast<int64_t>(got);
  }
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  return benchwave::nowMs() - t0;
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const double hours = 2.0;
  const std::string path = benchwave::workFile("2h-redraw.wav");
  if (!benchwave::writeLongWave(path, hours * 3600)) {
    std::fprintf(stderr, "bench_waveviews_redraw: cannot write %s\n", path.c_str());
    return 1;
  }
  auto cache = std::make_shared<PeakCache>();
  if (cache->build(path) != PeakCache::Result::Done) {
    std::fprintf(stderr, "bench_waveviews_redraw: the cache did not build\n");
    return 1;
  }
  const int64_t length = cache->frames();
  WaveViewState state;
  state.setWave(length, 8000);
  state.setActive(true);
  state.setGrid(true, true);
  state.setSelection(length / 3, length / 3 + 8000 * 20);
  state.setLocator(length / 3 + 8000 * 5);
  state.setCuts({{length / 3 + 8000, 4000, 0}, {length / 3 + 8000 * 30, 8000 * 3, 0}});
  components::MarkerList markers;
  for (int i = 0; i < 50; ++i) {
    components::Marker marker;
    marker.id = static_cast<uint32_t>(i + 1);
    marker.offset = length / 3 + i * 8000;
    marker.name = "Marker";
    markers.push_back(marker);
  }
  state.setMarkers(markers);
  WaveformView view(&state);
  view.setPeakCache(cache);
  view.resize(kWidth, kHeight);
  QImage target(kWidth, kHeight, QImage::Format_RGB32);

  auto paint = [&] {
    const double t0 = benchwave::nowMs();
    view.render(&target);
    return benchwave::nowMs() - t0;
  };

  std::printf("view %d x %d px over %.1f h of 8 kHz mono; peak cache %.1f kB per hour\n", kWidth, kHeight, hours,
              cache->memoryBytes() / 1024.0 / hours);
  std::printf("%-28s %10s %10s %12s %10s\n", "", "ms/paint", "paints/s", "scan ms", "ratio");
  struct Zoom {
    const char *name;
    int64_t span;
  };
  const Zoom zooms[] = {{"scroll, 5 s visible", 8000 * 5},
                        {"scroll, 1 min visible", 8000 * 60},
                        {"scroll, 10 min visible", 8000 * 600},
                        {"scroll, whole file", length}};
  bool met = true;
  for (const Zoom &z : zooms) {
    int64_t start = length / 3;
    state.setRange(start, start + z.span);
    paint();
    std::vector<double> times;
    for (int i = 0; i < 240; ++i) {
      start = std::min(start + std::max<int64_t>(1, z.span / 60), length - z.span);
      state.setRange(start, start + z.span);
      times.push_back(paint());
    }
    const double ms = benchwave::median(times);
    const double peer = scanPaintMs(path, length / 3 > length - z.span ? 0 : length / 3, z.span);
    met = met && 1000.0 / ms >= 60;
    std::printf("%-28s %10.3f %10.0f %12.2f %10.4f\n", z.name, ms, 1000.0 / ms, peer, peer > 0 ? ms / peer : 0.0);
  }
  {
    // Zooming: every paint at a new zoom renders the whole image.
    std::vector<double> times;
    const int64_t centre = length / 2;
    for (int i = 0; i < 120; ++i) {
      const int64_t span = static_cast<int64_t>(8000 * 10 * std::pow(1.06, i % 60));
      state.setRange(centre - span / 2, centre + span / 2);
      times.push_back(paint());
    }
    const double ms = benchwave::median(times);
    const double peer = scanPaintMs(path, centre - 8000 * 90, 8000 * 180);
    met = met && 1000.0 / ms >= 60;
    std::printf("%-28s %10.3f %10.0f %12.2f %10.4f\n", "zoom, 10 s to 5 min", ms, 1000.0 / ms, peer,
                peer > 0 ? ms / peer : 0.0);
  }
  std::printf("full renders %d, strip renders %d; goal of 60 paints/s %s\n", view.fullRenders(), view.stripRenders(),
              met ? "met" : "NOT met");
  std::filesystem::remove(path);
  return 0;
}
