// q417 decode IN.dvg OUT.wav: a voice file into a 16-bit mono 8000 Hz WAV file.
#include <cstdio>
#include <exception>
#include <string>

#include "../ToolUi.h"
#include "components/wavefile/WaveFile.h"
#include "voice/Codec.h"
#include "voice/G729Conversion.h"

namespace {

int run(tool::Context &ctx) {
  if (ctx.args.size() != 2) {
    std::fprintf(stderr, "usage: q417 decode IN.dvg OUT.wav\n");
    return 2;
  }
  const std::string &in = ctx.args[0], &out = ctx.args[1];
  auto ui = tool::makeJobUi(ctx);
  components::WaveFile wave;
  voice::G729Conversion conversion(*ui, wave);
  ui->progressOpen(ui->text(voice::keys::kConvertTitle));
  ui->progressTotal(0, components::fileCountLabel(1, 1), "No message");
  bool finished = false;
  try {
    finished = conversion.DecodeG729ToWave(in, out);
  } catch (const std::exception &e) {
    ui->progressClose();
    std::fprintf(stderr, "q417 decode: %s\n", e.what());
    return 1;
  }
  ui->progressClose();
  if (!finished) return 1;
  components::WaveFile result;
  if (result.open(out))
    std::printf("%s: %.2f s of speech\n", out.c_str(), static_cast<double>(result.dataSize()) / (voice::kSampleRate * 2));
  return 0;
}

tool::Register reg({"decode", "IN.dvg OUT.wav", "decode a G.729 voice file into a 16-bit mono 8000 Hz WAV file", run,
                    {}});

}  // namespace
