#include <sys/stat.h>

#include <cstdio>

#include "sonavel.h"
#include "speed/SpeedEngine.h"

namespace speed {

namespace {

class SonavelEngine final : public SpeedEngine {
 public:
  bool openFile(const std::string &path) override {
    if (DllOpenFile(path.c_str()) != 1) return false;
    path_ = path;
    return true;
  }
  void play() override { DllPlay(); }
  void stop() override { DllStop(); }
  void close() override { DllClose(); }
  bool isLoaded() override { return DllIsLoaded() == 1; }
  uint32_t state() override { return DllGetState(); }
  void setRate(double rate) override { DllSetRate(rate); }
  uint32_t position() override { return DllGetPosition(SONAVEL_UNIT_FRAMES); }
  void setPosition(uint32_t frame) override { DllSetPosition(frame, SONAVEL_UNIT_FRAMES); }

  // The WAV reader plays everything after the first 44 bytes, in frames of
  // the header's channels and bits.
  int64_t lengthFrames() override {
    std::FILE *file = std::fopen(path_.c_str(), "rb");
    if (!file) return 0;
    unsigned char header[44];
    bool whole = std::fread(header, 1, sizeof header, file) == sizeof header;
    struct stat info {};
    bool sized = ::fstat(fileno(file), &info) == 0;
    std::fclose(file);
    if (!whole || !sized) return 0;
    const int channels = header[22] | header[23] << 8;
    const int bits = header[34] | header[35] << 8;
    const int64_t align = int64_t(channels) * (bits / 8);
    return align > 0 ? (int64_t(info.st_size) - 44) / align : 0;
  }

  void convertToWave(const std::string &source, const std::string &destination) override {
    DllConvertToWave(source.c_str(), destination.c_str());
  }
  int progress() override { return DllGetProgress(); }
  void stopConvert() override { DllStopConvert(); }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<SpeedEngine> makeSonavelEngine() { return std::make_unique<SonavelEngine>(); }

}  // namespace speed
