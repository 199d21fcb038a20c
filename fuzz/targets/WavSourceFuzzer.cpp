// Sonavel's WAV source: open, read the PCM data through, seek by time and
// by sample frames, and read on from there.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MemFile.h"
#include "WavSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemFile file("wavsource");
  file.assign(data, size);
  sonavel::WavSource source;
  SonavelWaveFormat format{};
  if (!source.open(file.path().c_str(), format)) return 0;
  std::vector<uint8_t> buffer(4096);
  while (source.read(buffer.data(), static_cast<int32_t>(buffer.size())) > 0) {
  }
  const uint32_t total = source.totalTime();
  source.position(sonavel::kMilliseconds);
  source.position(sonavel::kSampleFrames);
  source.seek(total / 2, sonavel::kMilliseconds);
  source.read(buffer.data(), static_cast<int32_t>(buffer.size()));
  source.position(sonavel::kMilliseconds);
  source.seek(source.sampleRate() / 3, sonavel::kSampleFrames);
  source.read(buffer.data(), 1);
  source.position(sonavel::kSampleFrames);
  source.seek(total + 1000, sonavel::kMilliseconds);
  source.read(buffer.data(), static_cast<int32_t>(buffer.size()));
  source.close();
  return 0;
}
