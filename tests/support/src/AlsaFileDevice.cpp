#include "testsupport/AlsaFileDevice.h"

#include <stdlib.h>

#include <string>

namespace testsupport {

namespace fs = std::filesystem;

AlsaFileDevice::AlsaFileDevice()
    : playbackFile_(dir_ / "played.raw"), captureFile_(dir_ / "capture.raw") {
  // The capture side's own copy of what it reads goes to a file of its own,
  // so that playback and capture can run at once.
  const fs::path tee = dir_ / "captured.raw";
  std::string config =
      "pcm.!default {\n"
      "  type asym\n"
      "  playback.pcm { type file slave.pcm \"null\" file \"" + playbackFile_.string() + "\" format \"raw\" }\n"
      "  capture.pcm { type file slave.pcm \"null\" file \"" + tee.string() + "\" infile \"" +
      captureFile_.string() + "\" format \"raw\" }\n"
      "}\n";
  const fs::path file = dir_.write("asound.conf", config);
  // PortAudio lists an input only when the capture file can be opened.
  writeFile(captureFile_, {});
  std::string path = "/usr/share/alsa/alsa.conf:" + file.string();
  ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
}

AlsaFileDevice &AlsaFileDevice::install() {
  static AlsaFileDevice device;
  return device;
}

void AlsaFileDevice::clearPlayed() const {
  std::error_code ec;
  fs::remove(playbackFile_, ec);
}

void AlsaFileDevice::setCaptureSamples(const Bytes &samples) const { writeFile(captureFile_, samples); }

}  // namespace testsupport
