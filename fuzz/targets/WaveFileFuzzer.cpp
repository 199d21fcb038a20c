// The wave-file component's reader: open a WAV file of any layout, read its
// sample data block by block, go back to the start and read again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MemFile.h"
#include "components/wavefile/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemFile file("wavefile");
  file.assign(data, size);
  components::WaveFile wave;
  if (!wave.open(file.path())) return 0;
  std::vector<uint8_t> block(8000);
  try {
    for (int pass = 0; pass < 2; ++pass) {
      while (wave.dataRead() < wave.dataSize())
        if (wave.read(block.data(), block.size()) == 0) break;
      wave.rewind();
    }
  } catch (const components::WaveFileError &) {
    // A file that ends early is reported this way.
  }
  wave.close();
  return 0;
}
