// Voice files: the 256-byte header (the check, the text-field readers, and
// the headers built again from the name and extension it holds, as copying
// a recording and writing a file to the recorder do) and the decoding of a
// voice file into a WAV file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "FuzzUi.h"
#include "MemFile.h"
#include "components/wavefile/WaveFile.h"
#include "voice/G729Conversion.h"
#include "voice/VoiceHeader.h"

namespace {

void headerFunctions(const uint8_t *data, size_t size) {
  uint8_t h[voice::header::kSize];
  std::memset(h, 0xFF, sizeof h);
  std::memcpy(h, data, std::min(size, sizeof h));
  int bits = -1, channels = -1, rate = -1, kind = -1;
  voice::CheckG729File(h, bits, channels, rate, kind);
  using namespace voice::header;
  std::string name = voice::ArrayToString(h + kName, kNameSize);
  std::string ext = voice::ArrayToString(h + kExtension, kExtensionSize);
  voice::DirectoryFieldText(h + kName, kNameSize);
  voice::DirectoryFieldText(h + kExtension, kExtensionSize);
  voice::ArrayToString(h + kCodec, kCodecSize);
  voice::ArrayToString(h + kModel, kModelSize);
  std::string path = "/tmp/" + name + (ext.empty() ? "" : "." + ext);
  voice::PathBaseName(path);
  uint8_t made[kSize], source[kSize];
  voice::HeaderTime time{2000 + h[kYear], h[kMonth], h[kDay], h[kHour], h[kMinute], h[kSecond]};
  voice::MakeG729FileHeader(made, bits, rate, channels, path, kind != 0, time);
  voice::PrepareGenericSource(source, path, time, h + kAudioInfo);
  voice::BuildFileHeader(source, made);
}

// The decoded WAV goes into a folder of its own in memory (the conversion
// writes beside its output and renames), removed at exit.
class OutputFolder {
 public:
  OutputFolder() {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    dir_ = base / ("quillorn-fuzz-voice-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    file_ = (dir_ / "decoded.wav").string();
  }
  ~OutputFolder() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string &file() const { return file_; }

 private:
  std::filesystem::path dir_;
  std::string file_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  headerFunctions(data, size);
  static fuzz::MemFile in("voice-in");
  static OutputFolder out;
  in.assign(data, size);
  fuzz::FuzzUi ui;
  components::WaveFile wave;
  voice::G729Conversion conversion(ui, wave);
  try {
    conversion.DecodeG729ToWave(in.path(), out.file());
  } catch (const voice::VoiceFileError &) {
  } catch (const components::WaveFileError &) {
  }
  return 0;
}
