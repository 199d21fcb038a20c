// The conversion job: every selected file in one run of the progress
// window. WAV files become voice files (".DVG") and voice files become WAV
// files (".WAV") in an output folder; a WAV file that is not 16-bit mono
// 8000 Hz PCM passes through the format step into a temporary WAV first.
// Each file that cannot be converted is reported and the job goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "components/JobUi.h"
#include "voice/Codec.h"

namespace voice {

struct BatchOptions {
  std::string outputFolder;
  // Replace existing output files. A file that is itself a source of the
  // job is never replaced.
  bool overwrite = false;
  // Where the temporary WAV of the format step goes when the source's own
  // folder cannot take it.
  std::string tempFolder;
};

struct BatchFile {
  enum class Outcome {
    Converted,
    Refused,    // neither a WAV nor a voice file
    Exists,     // the output exists and may not be replaced
    Failed,     // reported by a message box
    Cancelled,  // the cancel flag stopped it; nothing was written
    NotReached  // the job ended before this file
  };
  std::string source, output;  // output is empty when none was named
  Outcome outcome = Outcome::NotReached;
  std::string reason;          // for Failed: what went wrong, when known
};

struct BatchResult {
  std::vector<BatchFile> files;
  uint64_t total = 0, done = 0;  // bytes, as the total line counts them
  bool cancelled = false;        // the job ended early at the user's request
  bool allConverted() const;
};

// MakeAutoFileName: the name with its extension replaced by ".DVG" (from a
// WAV file) or ".WAV" (from a voice file); empty for any other file.
std::string MakeAutoFileName(std::string_view name);

// What the total line counts for a file: the sample data of a WAV file that
// opens as one, else the file's size (0 when it cannot be read).
uint64_t jobSizeOf(const std::string &path);

class BatchConversion {
 public:
  // A message box whose text starts with a name: caption and text are keys.
  using NamedMessage = std::function<int(std::string_view captionKey, const std::string &prefix,
                                         std::string_view textKey, components::MsgKind kind, int buttons)>;

  explicit BatchConversion(components::JobUi &ui, CodecFactory makeCodec = makeG729Codec);

  // Without it, the text of a named message is shown alone.
  NamedMessage namedMessage;

  // StartG729Conversion: converts the files (full paths, in list order) into
  // options.outputFolder. Opens and closes the progress window itself.
  BatchResult StartG729Conversion(const std::vector<std::string> &files, const BatchOptions &options);

 private:
  BatchFile::Outcome waveToVoice(BatchFile &file, const BatchOptions &options, bool &cancelledInStep);
  BatchFile::Outcome voiceToWave(BatchFile &file, const BatchOptions &options);
  bool mayWrite(const std::string &output, const BatchOptions &options, const char *prefixEnd);
  int named(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
            components::MsgKind kind);
  void error(const char *textKey);

  components::JobUi &ui_;
  CodecFactory makeCodec_;
  std::vector<std::string> sources_;  // of the running job
  std::string title_;
};

namespace keys {
inline constexpr char kNotConvertible[] = "FM_text_system_errmsg7";
inline constexpr char kOutputExists[] = "FM_text_system_errmsg10";
}  // namespace keys

}  // namespace voice
