// Sonavel's MP3 source: open (ID3 tags, resynchronisation, the first frame
// header), decode the stream through, seek by time and by sample frames and
// decode on from there.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MemFile.h"
#include "Mp3Source.h"

namespace {

// Frames decoded per execution: a long stream would only repeat itself.
constexpr int kReads = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemFile file("mp3source");
  file.assign(data, size);
  sonavel::Mp3Source source;
  SonavelWaveFormat format{};
  if (!source.open(file.path().c_str(), format)) return 0;
  std::vector<uint8_t> buffer(4608);
  for (int i = 0; i < kReads; ++i)
    if (source.read(buffer.data(), static_cast<int32_t>(buffer.size())) < static_cast<int32_t>(buffer.size())) break;
  const uint32_t total = source.totalTime();
  source.position(sonavel::kMilliseconds);
  source.seek(total / 2, sonavel::kMilliseconds);
  source.read(buffer.data(), static_cast<int32_t>(buffer.size()));
  source.position(sonavel::kSampleFrames);
  source.seek(source.sampleRate() / 10, sonavel::kSampleFrames);
  source.read(buffer.data(), 1000);
  source.seek(total + 100, sonavel::kMilliseconds);
  source.read(buffer.data(), static_cast<int32_t>(buffer.size()));
  source.close();
  return 0;
}
