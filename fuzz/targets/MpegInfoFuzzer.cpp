// The MP3 component's file information: the frame scan behind the main
// window's MP3 display and the audio-info bytes of an MP3 file's recorder
// header.
#include <cstddef>
#include <cstdint>

#include "MemFile.h"
#include "components/mpeg/MpegInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemFile file("mpeginfo");
  file.assign(data, size);
  if (auto info = components::scanMpegFile(file.path())) info->durationMsRoundedUp();
  uint8_t rate = 0, hours = 0, minutes = 0, seconds = 0;
  components::SetDownMpegFileParams(file.path(), rate, hours, minutes, seconds);
  return 0;
}
