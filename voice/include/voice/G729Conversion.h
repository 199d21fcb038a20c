// Converting a WAV file into a voice file (header and G.729 stream) and back,
// block by block, reporting into the progress window that the caller shows.
#pragma once

#include <stdexcept>
#include <string>

#include "components/JobUi.h"
#include "components/wavefile/WaveFile.h"
#include "voice/Codec.h"

namespace components {
class PendingFile;
}

namespace voice {

// A read or write of a voice file that failed inside a conversion loop. The
// conversions leave it, and components::WaveFileError, to their caller,
// after removing their unfinished output.
class VoiceFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class G729Conversion {
 public:
  // waveFile is the application's wave-file component. makeCodec is called
  // at the start of every conversion, so each one codes with fresh states
  // and the same input always gives the same output.
  G729Conversion(components::JobUi &ui, components::WaveFile &waveFile, CodecFactory makeCodec = makeG729Codec);

  // The output of both conversions gets its name only when it is complete:
  // it is written beside outputPath under a temporary name and renamed over
  // it at the end. A cancelled or failed conversion leaves no output, and a
  // file already at outputPath stays as it was. An output that is the
  // source, that is not a regular file, or that the user may not write is
  // refused as one that cannot be created.

  // Encodes the WAV open for reading in the wave-file component (16-bit mono
  // 8000 Hz PCM) into a new voice file at outputPath; bits, rate and
  // channels go into the header. True when the whole file was converted;
  // false when cancelled or when the output cannot be created. The source
  // stays open.
  bool EncodeWaveToG729(const std::string &outputPath, int bits, int rate, int channels);

  // Decodes the voice file at sourcePath into a new WAV at outputPath. True
  // when finished; false when cancelled or failed. Leaves the wave-file
  // component closed.
  bool DecodeG729ToWave(const std::string &sourcePath, const std::string &outputPath);

 private:
  void showFile(const std::string &path);
  void showProgress(uint64_t done, uint64_t all);
  void error(const char *captionKey, const char *textKey);
  // Gives the finished output its name; reports a failed rename.
  bool commit(components::PendingFile &pending);

  components::JobUi &ui_;
  components::WaveFile &waveFile_;
  CodecFactory makeCodec_;
};

// The message keys the conversions show.
namespace keys {
inline constexpr char kKindProgram[] = "FM_kind_errormsg0";
inline constexpr char kKindNotice[] = "FM_kind_errormsg2";
inline constexpr char kCannotCreate[] = "FM_text_system_errmsg2";
inline constexpr char kCannotOpen[] = "FM_text_system_errmsg3";
inline constexpr char kWaveNotUsable[] = "FM_text_system_errmsg6";
inline constexpr char kNotVoiceFile[] = "FM_text_system_errmsg11";
inline constexpr char kConvertTitle[] = "FM_Caption_title8";
}  // namespace keys

}  // namespace voice
