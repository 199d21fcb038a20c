// The clipboard's region file, which is untrusted input: the fuzz bytes
// follow a valid head that names the clipboard's own audio file, so the
// reader gets past its checks and into the lists. Every result must keep the
// promises the reader makes about what it hands to the editor.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "components/waveedit/RegionFile.h"
#include "components/wavefile/WaveFile.h"

namespace {

constexpr int64_t kAudioSamples = 8000;

struct Files {
  std::filesystem::path folder;
  std::filesystem::path audio;
  std::filesystem::path region;
};

const Files &files() {
  static const Files made = [] {
    char pattern[] = "/tmp/fuzz-region-XXXXXX";
    Files f;
    f.folder = ::mkdtemp(pattern);
    f.audio = f.folder / "clip.tmp";
    f.region = f.folder / "clipcut.tmp";
    components::WaveFile wave;
    wave.create(f.audio.string(), components::WaveFormat::pcm(1, 8000, 16));
    std::string silence(static_cast<size_t>(kAudioSamples) * 2, '\0');
    wave.append(silence.data(), silence.size());
    wave.close();
    std::atexit([] { std::filesystem::remove_all(files().folder); });
    return f;
  }();
  return made;
}

void check(bool promise) {
  if (!promise) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const Files &f = files();
  {
    std::ofstream out(f.region, std::ios::binary | std::ios::trunc);
    out << "[General]\nValidate=" << components::RegionFile::kValidate
        << "\nVersion=" << components::RegionFile::kVersion << "\n[Sample]\nFileName=" << f.audio.string() << "\n";
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
  }
  components::WaveDescription wave;
  if (!components::RegionFile::read(f.region, f.audio, wave)) {
    check(wave == components::WaveDescription{});
    return 0;
  }
  check(0 <= wave.start && wave.start <= wave.end && wave.end <= kAudioSamples);
  int64_t lastEnd = 0;
  for (const components::CutRegion &cut : wave.cuts) {
    check(cut.start >= lastEnd && cut.length > 0 && cut.end() <= kAudioSamples);
    lastEnd = cut.end();
  }
  if (!wave.volume.empty()) {
    check(wave.volume.front().position == 0 && wave.volume.back().position == kAudioSamples);
    for (size_t i = 1; i < wave.volume.size(); ++i) check(wave.volume[i].position > wave.volume[i - 1].position);
  }
  for (const components::Marker &marker : wave.markers) {
    check(marker.offset >= 0 && marker.offset <= kAudioSamples);
    check(marker.name.size() <= components::Marker::kNameChars);
    check(marker.comment.size() <= components::Marker::kCommentChars);
  }
  return 0;
}
